# bench_simulation: the robot program on the virtual robot, against real time.
wayline_add_bench(simulation SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/SimulationBench.cpp
  LIBS wayline_sim wayline_cli_core wayline_codegen_core wayline_tokenizer)
