# GoogleTest is built from Debian's source package so that the same
# version serves the Linux build and the mingw-w64 cross-build.
if(NOT MOS_FUZZ)
  set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  include(GoogleTest)
endif()

# Windows tests run under Wine in a prefix of this build tree. A fixture
# makes the prefix and starts its server before the first test starts a
# program (making a prefix takes Wine minutes), and ends the server after
# the last; every Windows test requires it (mos_wine_tests).
if(CMAKE_CROSSCOMPILING)
  set(MOS_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(MOS_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
  file(CONFIGURE OUTPUT ${MOS_WINE_RUN} @ONLY CONTENT [[#!/bin/sh
WINEPREFIX='@MOS_WINE_PREFIX@' exec '@PROJECT_SOURCE_DIR@/scripts/wine-run' "$@"
]])
  file(CHMOD ${MOS_WINE_RUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
       GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MOS_WINE_RUN})
endif()

# mos_wine_tests(test...): the tests start Windows programs under Wine.
function(mos_wine_tests)
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${ARGN} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

# Suites that start threads carry a label per kind of thread
# (tests/unit/thread_labels.txt); the ThreadSanitizer run selects them by
# label. Each line: label, test executable, regular expression on the
# test's name.
file(STRINGS ${PROJECT_SOURCE_DIR}/tests/unit/thread_labels.txt MOS_THREAD_LABEL_LINES
     REGEX "^[a-z]")

# mos_add_gtest(NAME src... LIBS lib...)
# Linux: one CTest test per test case, so failures are named, labelled
# from the thread-label table.
# Windows: each executable is one CTest test run under Wine, because every
# process start under Wine costs seconds; a failing run names its exit code.
function(mos_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock mos_warnings)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${MOS_WINE_RUN} --report-exit $<TARGET_FILE:${name}>)
    mos_wine_tests(${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
    mos_label_discovered_tests(${name})
  endif()
endfunction()

# mos_label_discovered_tests(EXECUTABLE): after the executable's tests are
# discovered (when ctest starts), label those the table names.
function(mos_label_discovered_tests name)
  set(rules "")
  foreach(line IN LISTS MOS_THREAD_LABEL_LINES)
    string(REGEX MATCH "^([a-z0-9-]+)[ \t]+([A-Za-z0-9_]+)[ \t]+(.+)$" _ "${line}")
    if(CMAKE_MATCH_2 STREQUAL name)
      string(APPEND rules "  if(t MATCHES [==[${CMAKE_MATCH_3}]==])\n"
                          "    list(APPEND labels ${CMAKE_MATCH_1})\n  endif()\n")
    endif()
  endforeach()
  if(rules STREQUAL "")
    return()
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
  file(WRITE ${script}
    "foreach(t IN LISTS ${name}_TESTS)\n  set(labels \"\")\n${rules}"
    "  if(labels)\n    set_tests_properties(\"\${t}\" PROPERTIES LABELS \"\${labels}\")\n"
    "  endif()\nendforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# The Wine fixture's set-up and clean-up tests (top directory).
function(mos_add_wine_fixture)
  if(NOT CMAKE_CROSSCOMPILING)
    return()
  endif()
  add_test(NAME wine_prepare COMMAND ${MOS_WINE_RUN} --prepare)
  add_test(NAME wine_stop COMMAND ${MOS_WINE_RUN} --stop)
  set_tests_properties(wine_prepare PROPERTIES FIXTURES_SETUP wine TIMEOUT 900)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
