# The installer's parsers of outside input: the stand-in's INF reader and
# the command-line words.
mos_add_fuzzer(fuzz_kmodsetup_inf SOURCES ${CMAKE_CURRENT_LIST_DIR}/kmodsetup_inf_fuzz.cpp LIBS kmodsetup_core)
mos_add_fuzzer(fuzz_kmodsetup_words SOURCES ${CMAKE_CURRENT_LIST_DIR}/kmodsetup_words_fuzz.cpp LIBS kmodsetup_core)
