# User-mode-thread context switches and semaphore ping-pong against two
# operating-system threads with std::condition_variable.
add_executable(mos_umt_bench ${CMAKE_CURRENT_LIST_DIR}/mos_umt_bench.cpp)
target_link_libraries(mos_umt_bench PRIVATE mos benchmark::benchmark mos_warnings)
