# kmodctl end to end against the driver emulator.
if(CMAKE_CROSSCOMPILING)
  return() # the driver emulator serves the Linux device stand-in only
endif()
mos_add_gtest(kmodctl_e2e
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/kmodctl/kmodctl_e2e_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/kmodctl/kmodctl_cmds_e2e_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/kmodctl/e2e_process.cpp
          ${CMAKE_CURRENT_LIST_DIR}/kmodctl/devintf_posix_test.cpp
  LIBS qorni_intf mos)
target_compile_definitions(kmodctl_e2e PRIVATE
  KMODCTL_EXE="$<TARGET_FILE:kmodctl>"
  EMULATOR_EXE="$<TARGET_FILE:driver_emulator>"
  USAGE_GOLDEN="${CMAKE_CURRENT_LIST_DIR}/golden/kmodctl_usage.txt")
add_dependencies(kmodctl_e2e kmodctl driver_emulator)
