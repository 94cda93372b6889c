# A dump of a screen of 10,000 objects fetched over TCP from the sample
# storage process (Linux), split into the fetch alone and fetch + print.
add_executable(objscope_dumpscreen_bench ${CMAKE_CURRENT_LIST_DIR}/objscope_dumpscreen_bench.cpp)
target_link_libraries(objscope_dumpscreen_bench PRIVATE objscope_core objscope_views
                      benchmark::benchmark mos_warnings)
target_compile_definitions(objscope_dumpscreen_bench
  PRIVATE SAMPLE_STORAGE_PATH="$<TARGET_FILE:sample_storage>")
add_dependencies(objscope_dumpscreen_bench sample_storage)
