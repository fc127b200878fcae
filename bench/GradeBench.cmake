# bench_grade: wayline-cli grade on a class of 30 programs and a 60 s challenge, and the peak memory of
# simulate --json --trace over an hour of the robot program, measured from outside.
wayline_add_bench(grade SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/GradeBench.cpp
  LIBS wayline_cli_simulate wayline_codegen_core)
target_include_directories(bench_grade PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_dependencies(bench_grade wayline-cli)
target_compile_definitions(bench_grade PRIVATE WAYLINE_CLI="$<TARGET_FILE:wayline-cli>"
  WAYLINE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
