# fuzz_module_replies: identification, transfer and the whole download over a
# port whose every answer comes from the fuzzer.
wayline_add_fuzzer(module_replies SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ModuleRepliesFuzz.cpp
  LIBS wayline_comm_core)
