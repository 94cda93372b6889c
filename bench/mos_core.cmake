# Fast lock, thread creation and hash table of the runtime library against
# pthread_mutex, std::mutex, std::thread and std::unordered_map.
add_executable(mos_core_bench ${CMAKE_CURRENT_LIST_DIR}/mos_core_bench.cpp)
target_link_libraries(mos_core_bench PRIVATE mos benchmark::benchmark mos_warnings)
