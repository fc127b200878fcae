# bench_tokenizer: the directive and conditional passes, and whole programs of typical and of maximum size.
wayline_add_bench(tokenizer SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/TokenizerBench.cpp LIBS wayline_tokenizer)
