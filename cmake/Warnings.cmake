# Warnings are errors in every build we ship from; third-party code
# (GoogleTest) is compiled without them.
add_library(mos_warnings INTERFACE)
target_compile_options(mos_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Wundef
  -Wno-missing-field-initializers
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>
  -Werror)
# GCC 12 at -O3 reports overlapping or overflowing copies inside libstdc++
# itself (std::string concatenation on a temporary, vector::insert of a
# range), in code inlined from the library, not in ours; those two checks
# are left to the sanitizer builds there.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(mos_warnings INTERFACE -Wno-restrict -Wno-stringop-overflow)
endif()
