# The runtime's configuration-file reader.
mos_add_fuzzer(fuzz_mos_conf SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_conf_fuzz.cpp LIBS mos)
