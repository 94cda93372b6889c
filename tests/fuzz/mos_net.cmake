mos_add_fuzzer(fuzz_mos_sdbg_request SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_net_sdbg_fuzz.cpp
  LIBS mos)
