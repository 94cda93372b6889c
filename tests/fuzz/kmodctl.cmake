# kmodctl: the reply handling of the volume query.
mos_add_fuzzer(kmodctl_vol_reply
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kmodctl_vol_reply_fuzz.cpp
  LIBS kmodctl_core)

# kmodctl: the reply checks and printers of the driver commands.
mos_add_fuzzer(kmodctl_cmd_reply
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kmodctl_cmd_reply_fuzz.cpp
  LIBS kmodctl_core)
