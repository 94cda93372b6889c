# Debug-port round trips against a raw loopback TCP ping-pong of the same
# sizes, and the response path with one send per word.
add_executable(mos_net_bench ${CMAKE_CURRENT_LIST_DIR}/mos_net_bench.cpp)
target_link_libraries(mos_net_bench PRIVATE mos benchmark::benchmark mos_warnings)
