# bench_runtime: the simulator's run-time, instructions per second and the cost of a simulated minute of the robot program.
wayline_add_bench(runtime SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/RunTimeBench.cpp
  LIBS wayline_sim wayline_codegen_core wayline_tokenizer)
target_compile_definitions(bench_runtime PRIVATE WAYLINE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
