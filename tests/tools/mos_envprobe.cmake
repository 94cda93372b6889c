# mos_envprobe: the runtime's environment start-up driven end to end.
add_executable(mos_envprobe ${CMAKE_CURRENT_LIST_DIR}/mos_envprobe.cpp)
target_link_libraries(mos_envprobe PRIVATE mos mos_warnings)
