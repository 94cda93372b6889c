# Warnings are errors in every build we ship from; third-party code
# (GoogleTest) is compiled without them.
add_library(mos_warnings INTERFACE)
target_compile_options(mos_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Wundef
  -Wno-missing-field-initializers
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>
  -Werror)
