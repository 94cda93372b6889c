# sample_storage: a storage process serving its objects on the debug port.
add_executable(sample_storage ${CMAKE_CURRENT_LIST_DIR}/sample_storage.cpp)
target_link_libraries(sample_storage PRIVATE mos mos_warnings)
target_sources(sample_storage PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sample_storage_umt.cpp)
