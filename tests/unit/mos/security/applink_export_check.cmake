# Checks that each Windows program exports OPENSSL_Applink by name, as the
# TLS library looks it up: objdump -p lists the export directory's names.
# cmake -DOBJDUMP=... -DPROGRAMS="a.exe;b.exe" -P applink_export_check.cmake
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${OBJDUMP} -p ${program}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${program} failed (${rc}): ${err}")
  endif()
  string(FIND "${out}" "[Ordinal/Name Pointer] Table" table_at)
  if(table_at EQUAL -1)
    message(FATAL_ERROR "${program} has no export name table")
  endif()
  string(SUBSTRING "${out}" ${table_at} -1 names)
  if(NOT names MATCHES "\\] OPENSSL_Applink\n")
    message(FATAL_ERROR "${program} does not export OPENSSL_Applink:\n${names}")
  endif()
endforeach()
