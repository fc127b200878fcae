# fuzz_simulated_module: the simulated module's firmware under arbitrary host
# bytes, line changes and pauses (what a program on the bridge's pseudo-terminal
# can send it).
wayline_add_fuzzer(simulated_module SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/SimulatedModuleFuzz.cpp
  LIBS wayline_sim)
