# Shared memory between processes: one process serves, others start the
# layer against it one after the other.
add_test(NAME mos_shm_e2e
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/mos_shm_e2e.sh $<TARGET_FILE:mos_shm_probe>)
set_tests_properties(mos_shm_e2e PROPERTIES TIMEOUT 120)
e2e_windows(mos_shm_e2e)
