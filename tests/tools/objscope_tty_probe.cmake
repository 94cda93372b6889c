# Harness for the terminal tests of objscope's console devices.
add_executable(objscope_tty_probe ${CMAKE_CURRENT_LIST_DIR}/objscope_tty_probe.cpp)
target_link_libraries(objscope_tty_probe PRIVATE objscope_core mos_warnings)
