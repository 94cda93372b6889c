mos_add_fuzzer(fuzz_mos_sdbg_request SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_net_sdbg_fuzz.cpp
  LIBS mos)
# The server's connection side: requests read from a socket and answered
# from the runtime's own object types.
mos_add_fuzzer(fuzz_mos_sdbg_conn SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_sdbg_conn_fuzz.cpp
  LIBS mos)
# Address text and records: parsing, printing and socket addresses.
mos_add_fuzzer(fuzz_mos_net_address SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_net_address_fuzz.cpp
  LIBS mos)
