# The size-reduction manager: decompressing stored blocks, pattern matching
# and compression of blocks.
mos_add_fuzzer(fuzz_mos_srm SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_srm_fuzz.cpp LIBS mos)
