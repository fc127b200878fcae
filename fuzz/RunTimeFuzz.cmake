# fuzz_runtime: the simulator's run-time on arbitrary EEPROM images.
wayline_add_fuzzer(runtime SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/RunTimeFuzz.cpp LIBS wayline_sim)
