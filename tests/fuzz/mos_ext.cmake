# The counter-table printer over entries as a client driver may send them.
mos_add_fuzzer(fuzz_mos_diag_print SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_diag_print_fuzz.cpp
  LIBS mos)
