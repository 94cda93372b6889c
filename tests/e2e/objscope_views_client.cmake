# The network-layer views, dumped from the sample storage process's
# record-file objects as text and XML.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME objscope_e2e.views_client
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/objscope_views_client_e2e.py
                   $<TARGET_FILE:objscope> $<TARGET_FILE:sample_storage>)
  set_tests_properties(objscope_e2e.views_client PROPERTIES TIMEOUT 120)
  e2e_windows(objscope_e2e.views_client)
endif()
