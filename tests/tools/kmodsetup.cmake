# The state tool of the installer's Linux stand-in.
if(NOT WIN32)
  add_executable(kmodsetup_state ${CMAKE_CURRENT_LIST_DIR}/kmodsetup_state.cpp)
  target_link_libraries(kmodsetup_state PRIVATE mos_warnings)
endif()
