mos_add_fuzzer(fuzz_objscope_line_parser
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/objscope_line_parser_fuzz.cpp LIBS objscope_core)
# Whole command lines through the viewer's dispatcher, unlinked.
mos_add_fuzzer(fuzz_objscope_dispatch
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/objscope_dispatch_fuzz.cpp LIBS objscope_core objscope_views)
