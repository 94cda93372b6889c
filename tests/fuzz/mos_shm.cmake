mos_add_fuzzer(fuzz_mos_shm SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_shm_fuzz.cpp LIBS mos)
