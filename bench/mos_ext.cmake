# Memory pools against malloc/free, timers against a priority-queue timer,
# blocking-worker latency, and T10-DIF throughput per form against ISA-L.
find_library(ISAL_LIBRARY isal REQUIRED)
add_executable(mos_ext_bench ${CMAKE_CURRENT_LIST_DIR}/mos_ext_bench.cpp)
target_link_libraries(mos_ext_bench PRIVATE mos benchmark::benchmark mos_warnings ${ISAL_LIBRARY})
