# objscope driven end to end: command files and redirected standard input
# compared byte for byte (objscope/run_case.cmake; on Windows after the C
# runtime's CR LF line ends are made LF), and the real terminal under tmux
# (objscope/terminal_test.sh, Linux).
set(OBJSCOPE_CASES ${CMAKE_CURRENT_SOURCE_DIR}/objscope)

# objscope_e2e_case(NAME RC [ARG file] [MISSING_ARG word] [STDIN file] [EXPECTED file])
# The runs happen in the build tree; ARG and STDIN name a case file (or a
# file generated here, by its absolute path), MISSING_ARG a path given as it is.
function(objscope_e2e_case name rc)
  cmake_parse_arguments(ARG "" "ARG;MISSING_ARG;STDIN;EXPECTED" "" ${ARGN})
  set(defs -DPROGRAM=$<TARGET_FILE:objscope> -DCASE_DIR=${OBJSCOPE_CASES}
           -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR} -DRC=${rc})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND defs -DEMULATOR=${MOS_WINE_RUN})
  endif()
  if(ARG_ARG)
    if(NOT IS_ABSOLUTE ${ARG_ARG})
      set(ARG_ARG ${OBJSCOPE_CASES}/${ARG_ARG})
    endif()
    list(APPEND defs -DARG=${ARG_ARG})
  endif()
  if(ARG_MISSING_ARG)
    list(APPEND defs -DARG=${ARG_MISSING_ARG})
  endif()
  if(ARG_STDIN)
    if(NOT IS_ABSOLUTE ${ARG_STDIN})
      set(ARG_STDIN ${OBJSCOPE_CASES}/${ARG_STDIN})
    endif()
    list(APPEND defs -DSTDIN=${ARG_STDIN})
  endif()
  if(ARG_EXPECTED)
    list(APPEND defs -DEXPECTED=${OBJSCOPE_CASES}/${ARG_EXPECTED})
  endif()
  add_test(NAME objscope_e2e.${name}
           COMMAND ${CMAKE_COMMAND} ${defs} -P ${OBJSCOPE_CASES}/run_case.cmake)
  mos_wine_tests(objscope_e2e.${name})
endfunction()

objscope_e2e_case(unknown_then_exit 1 ARG unknown_then_exit.cmds
                  EXPECTED unknown_then_exit.expected)
objscope_e2e_case(exit_first 2 ARG exit_first.cmds EXPECTED exit_first.expected)
objscope_e2e_case(missing_file 1 MISSING_ARG no-such-file.cmds STDIN missing_file.stdin
                  EXPECTED missing_file.expected)
# A line too long for the line buffer is reported, counted and skipped; the
# lines after it run (the file's last line has no line end).
objscope_e2e_case(too_long_file_line 2 ARG too_long.cmds STDIN too_long.stdin
                  EXPECTED too_long.expected)
objscope_e2e_case(longest_file_line 1 ARG longest_line.cmds EXPECTED longest_line.expected)
objscope_e2e_case(unlinked_commands 16 STDIN unlinked.stdin EXPECTED unlinked.expected)
objscope_e2e_case(end_of_input 0 STDIN end_of_input.stdin EXPECTED end_of_input.expected)
objscope_e2e_case(long_typed_line 2 STDIN long_typed_line.stdin EXPECTED long_typed_line.expected)
# Lines of 100,000 characters, in a command file and typed.
string(REPEAT "x" 100000 hugeLine)
set(generatedCases ${CMAKE_CURRENT_BINARY_DIR}/objscope_generated)
file(WRITE ${generatedCases}/huge_line.cmds "${hugeLine}\ngetrefreshrate\n")
file(WRITE ${generatedCases}/huge_typed_line.stdin "${hugeLine}\ngetrefreshrate\nfoo\n")
objscope_e2e_case(huge_file_line 1 ARG ${generatedCases}/huge_line.cmds
                  EXPECTED huge_line.expected)
objscope_e2e_case(huge_typed_line 2 STDIN ${generatedCases}/huge_typed_line.stdin
                  EXPECTED huge_typed_line.expected)
objscope_e2e_case(exit_code_capped 255 STDIN many_failures.stdin)
objscope_e2e_case(object_types 0 ARG objtypes.cmds EXPECTED objtypes.expected)

find_program(TMUX_PROGRAM tmux)
if(TMUX_PROGRAM AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME objscope_e2e.terminal
           COMMAND ${OBJSCOPE_CASES}/terminal_test.sh $<TARGET_FILE:objscope>
                   $<TARGET_FILE:objscope_tty_probe>)
  set_tests_properties(objscope_e2e.terminal PROPERTIES TIMEOUT 120)
endif()

# Linked over real TCP on 127.0.0.1 to the sample storage process, and on
# Linux through the driver emulator's device.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(link_emulator "")
  if(TARGET driver_emulator)
    set(link_emulator $<TARGET_FILE:driver_emulator>)
  endif()
  add_test(NAME objscope_e2e.link
           COMMAND ${Python3_EXECUTABLE} ${OBJSCOPE_CASES}/../objscope_link_e2e.py
                   $<TARGET_FILE:objscope> $<TARGET_FILE:sample_storage> ${link_emulator})
  set_tests_properties(objscope_e2e.link PROPERTIES TIMEOUT 120)
  e2e_windows(objscope_e2e.link)
endif()

if(TMUX_PROGRAM AND Python3_Interpreter_FOUND AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME objscope_e2e.display
           COMMAND ${OBJSCOPE_CASES}/../objscope_display_test.sh $<TARGET_FILE:objscope>
                   $<TARGET_FILE:sample_storage>)
  set_tests_properties(objscope_e2e.display PROPERTIES TIMEOUT 120)
endif()

# The object views of the runtime's own objects, dumped from the sample
# storage process as text and XML.
add_test(NAME objscope_e2e.views
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/objscope_views_e2e.py
                 $<TARGET_FILE:objscope> $<TARGET_FILE:sample_storage>)
e2e_windows(objscope_e2e.views)

# Dumps into a file: whole and well-formed against the sample storage
# process, bounded in memory against a server announcing huge counts (the
# peak is read from the child's resource use: Linux only).
if(Python3_Interpreter_FOUND AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME objscope_e2e.dumps
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/objscope_dump_e2e.py
                   $<TARGET_FILE:objscope> $<TARGET_FILE:sample_storage>)
  set_tests_properties(objscope_e2e.dumps PROPERTIES TIMEOUT 300)
endif()
