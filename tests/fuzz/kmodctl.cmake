# kmodctl: the reply handling of the volume query.
mos_add_fuzzer(kmodctl_vol_reply
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kmodctl_vol_reply_fuzz.cpp
  LIBS kmodctl_core)

# kmodctl: the reply checks and printers of the driver commands.
mos_add_fuzzer(kmodctl_cmd_reply
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kmodctl_cmd_reply_fuzz.cpp
  LIBS kmodctl_core)

# kmodctl: opening the driver (probe, version, command vector) against a
# device seam played from the input.
mos_add_fuzzer(kmodctl_driver_open
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kmodctl_driver_open_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/fake_devintf.cpp
  LIBS kmodctl_core)

# kmodctl: whole command lines through the option table and the commands'
# argument checks, against a device that accepts every command.
mos_add_fuzzer(kmodctl_cmdline
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kmodctl_cmdline_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/fake_devintf.cpp
  LIBS kmodctl_core)
target_link_options(kmodctl_cmdline PRIVATE -Wl,--wrap=_Z8mos_Exiti)
