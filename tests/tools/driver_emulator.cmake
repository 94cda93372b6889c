# The storage-client driver emulator: serves the device stand-in's socket
# (Linux only, where the stand-in lives).
if(NOT WIN32)
  add_executable(driver_emulator
    ${CMAKE_CURRENT_LIST_DIR}/driver_emulator/driver_emulator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/driver_emulator/emu_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/driver_emulator/emu_driver_cmds.cpp
    ${CMAKE_CURRENT_LIST_DIR}/driver_emulator/emu_sdbg.cpp)
  target_link_libraries(driver_emulator PRIVATE mos mos_warnings)
endif()
