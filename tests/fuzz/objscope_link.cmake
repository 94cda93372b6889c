mos_add_fuzzer(fuzz_objscope_link
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/objscope_link_fuzz.cpp LIBS objscope_core)
target_include_directories(fuzz_objscope_link PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit/objscope)
