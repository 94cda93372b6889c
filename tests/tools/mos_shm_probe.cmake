# mos_shm_probe: shared-memory servers and the layer in separate processes.
add_executable(mos_shm_probe ${CMAKE_CURRENT_LIST_DIR}/mos_shm_probe.cpp)
target_link_libraries(mos_shm_probe PRIVATE mos mos_warnings)
