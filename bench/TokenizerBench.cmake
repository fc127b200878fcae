# bench_tokenizer: the directive and conditional passes over a generated program.
wayline_add_bench(tokenizer SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/TokenizerBench.cpp LIBS wayline_tokenizer)
