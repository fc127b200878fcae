# fuzz_tokenize: Tokenize over arbitrary text with random options.
wayline_add_fuzzer(tokenize SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/TokenizerFuzz.cpp LIBS wayline_tokenizer)
