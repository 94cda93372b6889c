# Page-buffer rendering through the statistics printers, beside plain
# snprintf into a buffer.
add_executable(objscope_render_bench ${CMAKE_CURRENT_LIST_DIR}/objscope_render_bench.cpp)
target_link_libraries(objscope_render_bench PRIVATE objscope_core benchmark::benchmark mos_warnings)
