mos_add_fuzzer(fuzz_mos_options SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_options_fuzz.cpp LIBS mos)
