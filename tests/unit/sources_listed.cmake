# Fails when a .cpp file under one of TREES is named in no target of the
# build (LISTED: the targets' sources, one absolute path a line), but for
# the other target's seam halves (folders named OTHER_OS_DIR).
# Usage: cmake -DROOT=... -DLISTED=... -DTREES=a;b -DOTHER_OS_DIR=nt -P sources_listed.cmake
file(STRINGS ${LISTED} listed)
set(missing "")
foreach(tree IN LISTS TREES)
  # The files on disk, read when the test runs: a file added since the
  # last configure is seen.
  file(GLOB_RECURSE on_disk LIST_DIRECTORIES false ${ROOT}/${tree}/*.cpp)
  foreach(file IN LISTS on_disk)
    if(file MATCHES "/${OTHER_OS_DIR}/")
      continue()
    endif()
    list(FIND listed ${file} at)
    if(at EQUAL -1)
      file(RELATIVE_PATH name ${ROOT} ${file})
      list(APPEND missing ${name})
    endif()
  endforeach()
endforeach()
if(missing)
  list(JOIN missing "\n  " text)
  message(FATAL_ERROR "Named in no CMakeLists.txt source list (so never built):\n  ${text}")
endif()
list(LENGTH listed count)
message(STATUS "every source file is in a target's list (${count} listed)")
