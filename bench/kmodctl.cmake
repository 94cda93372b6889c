# kmodctl: the device stand-in's I/O control beside a raw Unix-socket
# ping-pong, and a whole --query_vols --tech run against the emulator.
add_executable(kmodctl_bench ${CMAKE_CURRENT_LIST_DIR}/kmodctl_bench.cpp)
target_link_libraries(kmodctl_bench PRIVATE qorni_intf benchmark::benchmark mos_warnings)
target_compile_definitions(kmodctl_bench PRIVATE
  KMODCTL_EXE="$<TARGET_FILE:kmodctl>"
  EMULATOR_EXE="$<TARGET_FILE:driver_emulator>")
add_dependencies(kmodctl_bench kmodctl driver_emulator)
