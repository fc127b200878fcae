wayline_add_fuzzer(worldfile SOURCES WorldFileFuzz.cpp LIBS wayline_sim)
