mos_add_fuzzer(fuzz_objscope_views
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/objscope_views_fuzz.cpp LIBS objscope_views)
