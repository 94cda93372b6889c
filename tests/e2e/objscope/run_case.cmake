# Runs objscope once and compares its standard output byte for byte.
#   -DPROGRAM=path      the objscope executable
#   -DCASE_DIR=dir      where the case files live
#   -DWORK_DIR=dir      the working directory of the run
#   -DARG=word          optional: the command-file argument
#   -DSTDIN=file        optional: standard input (default: the null device,
#                       which objscope must treat as a stream)
#   -DEXPECTED=file     optional: expected standard output
#   -DRC=n              expected exit code
#   -DEMULATOR=path     optional: runs the program (Windows: under Wine),
#                       whose text-mode output ends lines with CR LF; they
#                       are compared as LF
# In EXPECTED, a line "@@SCREEN_LIST@@" stands for the screen list and help
# block as a stream shows them (screen_list.txt after a new frame's line
# feed), and "@@FEEDS n@@" for n line feeds.
if(NOT DEFINED STDIN)
  set(STDIN /dev/null)
endif()
set(args "")
if(DEFINED ARG)
  set(args "${ARG}")
endif()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${args}
  WORKING_DIRECTORY ${WORK_DIR}
  INPUT_FILE ${STDIN}
  OUTPUT_VARIABLE actual
  ERROR_VARIABLE errors
  RESULT_VARIABLE rc)
if(NOT rc STREQUAL "${RC}")
  message(FATAL_ERROR "exit code ${rc}, expected ${RC}\nstderr: ${errors}")
endif()
if(NOT DEFINED EXPECTED)
  return()
endif()
if(DEFINED EMULATOR)
  string(REPLACE "\r\n" "\n" actual "${actual}")
endif()
file(READ ${EXPECTED} expected)
file(READ ${CASE_DIR}/screen_list.txt screenList)
string(REPLACE "@@SCREEN_LIST@@\n" "\n${screenList}" expected "${expected}")
while(expected MATCHES "@@FEEDS ([0-9]+)@@\n")
  string(REPEAT "\n" ${CMAKE_MATCH_1} feeds)
  string(REPLACE "@@FEEDS ${CMAKE_MATCH_1}@@\n" "${feeds}" expected "${expected}")
endwhile()
if(NOT actual STREQUAL expected)
  get_filename_component(name ${EXPECTED} NAME_WE)
  file(WRITE ${WORK_DIR}/${name}.actual "${actual}")
  file(WRITE ${WORK_DIR}/${name}.wanted "${expected}")
  message(FATAL_ERROR "output differs: diff ${WORK_DIR}/${name}.wanted ${WORK_DIR}/${name}.actual")
endif()
