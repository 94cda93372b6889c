# The storage-engine, AFS and NV object views, dumped from the sample
# storage process (records written by the script at explicit offsets).
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME objscope_e2e.views_engine
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/objscope_views_engine_e2e.py
                   $<TARGET_FILE:objscope> $<TARGET_FILE:sample_storage>)
  set_tests_properties(objscope_e2e.views_engine PROPERTIES TIMEOUT 120)
  e2e_windows(objscope_e2e.views_engine)
endif()
