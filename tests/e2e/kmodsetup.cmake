# kmodsetup end to end on the Linux stand-in: each test class of the
# driver script is one CTest test.
if(CMAKE_CROSSCOMPILING)
  return() # the Linux stand-in
endif()
find_program(KMODSETUP_PYTHON python3 REQUIRED)
foreach(group Lifecycle LogFile InjectedFailures Devices InfSections CommandLine)
  add_test(NAME kmodsetup_e2e.${group}
    COMMAND ${KMODSETUP_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/kmodsetup_e2e.py ${group})
  set_tests_properties(kmodsetup_e2e.${group} PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "KMODSETUP_EXE=$<TARGET_FILE:kmodsetup>;KMODSETUP_STATE_EXE=$<TARGET_FILE:kmodsetup_state>;KMODSETUP_DATA=${PROJECT_SOURCE_DIR}/tests/data/kmodsetup")
endforeach()
