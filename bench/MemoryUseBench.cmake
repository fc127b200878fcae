# bench_memory_use: what the memory gauge costs after an edit, against a whole compile of the robot program.
wayline_add_bench(memory_use SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/MemoryUseBench.cpp
  LIBS wayline_codegen_core wayline_cli_core)
