# The tezl tool end to end: round trips through pipes, piece options and
# bad command lines.
if(CMAKE_CROSSCOMPILING)
  return() # Linux only
endif()
add_test(NAME e2e_codec_tool
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/codec_tool.sh $<TARGET_FILE:tezl_tool>)
