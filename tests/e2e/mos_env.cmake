# The runtime's environment start-up and ways of ending, through the probe.
add_test(NAME mos_env_e2e
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/mos_env_e2e.sh $<TARGET_FILE:mos_envprobe>)
e2e_windows(mos_env_e2e)
