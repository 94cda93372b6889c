# The runtime's pools, counters, workers, CPU and performance objects as
# the sample storage process serves them on its debug port.
add_executable(mos_ext_wire_tests ${CMAKE_CURRENT_LIST_DIR}/mos_ext_wire_test.cpp)
target_link_libraries(mos_ext_wire_tests PRIVATE e2e_os GTest::gtest GTest::gtest_main mos_warnings)
target_compile_definitions(mos_ext_wire_tests
  PRIVATE SAMPLE_STORAGE_PATH="${E2E_WINDOWS_ROOT}$<TARGET_FILE:sample_storage>")
add_dependencies(mos_ext_wire_tests sample_storage)
if(CMAKE_CROSSCOMPILING)
  add_test(NAME mos_ext_wire_tests COMMAND ${MOS_WINE_RUN} --report-exit $<TARGET_FILE:mos_ext_wire_tests>)
  set_tests_properties(mos_ext_wire_tests PROPERTIES TIMEOUT 300)
  mos_wine_tests(mos_ext_wire_tests)
else()
  gtest_discover_tests(mos_ext_wire_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
  mos_label_discovered_tests(mos_ext_wire_tests)
endif()
