# Runs the Windows build of kmodsetup under the emulator for the paths
# that need no device-installation call: its window-subsystem entry must
# read the words, write the usage on standard output, write the log file
# and end with the right exit codes.
# cmake -DEMULATOR=... -DEXE=... -DWORK_DIR=... -P kmodsetup_wine_check.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
string(REPLACE "/" "\\" win_dir "Z:${WORK_DIR}")

function(run_setup expected_rc out_var)
  execute_process(COMMAND ${EMULATOR} ${EXE} ${ARGN}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_QUIET TIMEOUT 120)
  if(NOT rc STREQUAL expected_rc)
    message(FATAL_ERROR "kmodsetup ${ARGN}: exit code ${rc}, expected ${expected_rc}\n${out}")
  endif()
  string(REPLACE "\r\n" "\n" out "${out}")
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

function(expect_equal actual expected what)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what}:\n--- got\n${actual}\n--- expected\n${expected}")
  endif()
endfunction()

# Usage on standard output, exit code 1.
run_setup(1 out install qorni)
expect_equal("${out}" "Usage qorni driver:
 install qorni inf_file
 uninstall qorni inf_file
 update qorni inf_file [logFileLocation]
Usage frelok driver:
 install frelok inf_file
 uninstall frelok inf_file
 update frelok inf_file [logFileLocation] [forceReboot 1]
" "usage text")

# An unknown command word goes to the log file after its header.
run_setup(1 out frob qorni x.inf "${win_dir}\\unknown.log")
expect_equal("${out}" "" "standard output with a log file")
file(READ ${WORK_DIR}/unknown.log log)
string(REPLACE "\r\n" "\n" log "${log}")
if(NOT log MATCHES "^-+\n[A-Z][a-z][a-z] [A-Z][a-z][a-z] [ 0-9][0-9] [0-9:]+ [0-9]+\n-+\nUnknown option frob\n$")
  message(FATAL_ERROR "unknown-option log:\n${log}")
endif()

# An INF path too long for the section line is refused before any call.
string(REPEAT "p" 120 long_name)
run_setup(1 out install frelok "C:\\${long_name}.inf" "${win_dir}\\long.log")
file(READ ${WORK_DIR}/long.log log)
string(REPLACE "\r\n" "\n" log "${log}")
string(FIND "${log}" "Called to install with inf C:\\${long_name}.inf\nError (0xce):INF path does not fit the section command line," at)
if(at EQUAL -1)
  message(FATAL_ERROR "long-path log:\n${log}")
endif()
# A read-cache install or update whose INF is missing, or lacks its
# default install section, fails with the error line of the INF call
# before the section runs (the section call would report nothing). The
# update skips the installed check, which the system's INF store answers.
function(expect_inf_failure command inf_path log_name call)
  run_setup(1 out ${command} frelok "${inf_path}" "${win_dir}\\${log_name}" ${ARGN})
  file(READ ${WORK_DIR}/${log_name} log)
  string(REPLACE "\r\n" "\n" log "${log}")
  if(NOT log MATCHES "Called to ${command} with inf [^\n]*\n(.*\n)?Error \\(0x[0-9a-f]+\\):${call},"
     OR log MATCHES "Driver installed")
    message(FATAL_ERROR "${command} from ${inf_path}:\n${log}")
  endif()
endfunction()
expect_inf_failure(install "${win_dir}\\missing.inf" missing.log SetupOpenInfFile)
file(WRITE ${WORK_DIR}/nosection.inf "[Version]\nSignature = \"$WINDOWS NT$\"\nClass = DiskDrive\n"
  "ClassGUID = {4D36E967-E325-11CE-BFC1-08002BE10318}\n\n[DefaultUninstall]\nDelFiles = x\n")
expect_inf_failure(update "${win_dir}\\nosection.inf" nosection.log SetupFindFirstLine
  forceReboot 1)
file(REMOVE_RECURSE ${WORK_DIR})
