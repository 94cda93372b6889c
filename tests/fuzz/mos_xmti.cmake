# The fault-injection manager's command (configobj text arguments).
mos_add_fuzzer(fuzz_mos_xmti_command SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_xmti_command_fuzz.cpp
  LIBS mos)
