# Codec comparison: every tezl level beside LZ4, LZO1X-1, Snappy, zlib raw
# deflate, libdeflate and zstd, per corpus and block size.
#   build/linux-release/bench/codec_compare [--benchmark_min_time=0.2]
find_library(LZ4_LIBRARY lz4 REQUIRED)
find_library(LZO2_LIBRARY lzo2 REQUIRED)
find_library(SNAPPY_LIBRARY snappy REQUIRED)
find_library(ZLIB_LIBRARY z REQUIRED)
find_library(DEFLATE_LIBRARY deflate REQUIRED)
find_library(ZSTD_LIBRARY zstd REQUIRED)
add_executable(codec_compare ${CMAKE_CURRENT_LIST_DIR}/codec_compare.cpp)
target_link_libraries(codec_compare PRIVATE tezl benchmark::benchmark mos_warnings
  ${LZ4_LIBRARY} ${LZO2_LIBRARY} ${SNAPPY_LIBRARY} ${ZLIB_LIBRARY} ${DEFLATE_LIBRARY}
  ${ZSTD_LIBRARY})
target_compile_definitions(codec_compare PRIVATE
  CODEC_COMPARE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
