mos_add_fuzzer(fuzz_mos_shm SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_shm_fuzz.cpp LIBS mos)
# The layer over an index and manifests another process has written.
mos_add_fuzzer(fuzz_mos_shm_index SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_shm_index_fuzz.cpp LIBS mos)
