# Trace call cost (filtered, asynchronous text file) beside spdlog's
# asynchronous file logger, and CRC-32C throughput per implementation beside
# ISA-L's crc32_iscsi.
find_package(spdlog REQUIRED)
add_executable(bench_mos_trace ${CMAKE_CURRENT_LIST_DIR}/mos_trace_bench.cpp)
target_link_libraries(bench_mos_trace PRIVATE mos benchmark::benchmark spdlog::spdlog isal)
