# bench_comm: downloads at the line's timing and the parallel scan of silent ports.
wayline_add_bench(comm SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CommBench.cpp
  LIBS wayline_comm_core wayline_sim wayline_cli_core)
