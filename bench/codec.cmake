# codec_bench: the tezl levels beside LZ4, LZO1X-1, Snappy, zlib raw
# deflate, libdeflate and zstd on the same blocks of the corpora that
# make-corpus.sh builds.
find_library(CODEC_BENCH_LZ4 lz4 REQUIRED)
find_library(CODEC_BENCH_LZO lzo2 REQUIRED)
find_library(CODEC_BENCH_SNAPPY snappy REQUIRED)
find_library(CODEC_BENCH_ZLIB z REQUIRED)
find_library(CODEC_BENCH_DEFLATE deflate REQUIRED)
find_library(CODEC_BENCH_ZSTD zstd REQUIRED)
set(CODEC_BENCH_CORPUS ${CMAKE_CURRENT_BINARY_DIR}/codec-corpus)
add_custom_command(OUTPUT ${CODEC_BENCH_CORPUS}/text ${CODEC_BENCH_CORPUS}/binary
                          ${CODEC_BENCH_CORPUS}/trace
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/make-corpus.sh ${CODEC_BENCH_CORPUS}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/make-corpus.sh
  COMMENT "Building the codec benchmark corpora")
add_custom_target(codec_bench_corpus DEPENDS ${CODEC_BENCH_CORPUS}/text)
add_executable(codec_bench ${CMAKE_CURRENT_SOURCE_DIR}/codec_bench.cpp)
target_compile_definitions(codec_bench PRIVATE CODEC_BENCH_CORPUS_DIR="${CODEC_BENCH_CORPUS}")
target_link_libraries(codec_bench PRIVATE tezl benchmark::benchmark ${CODEC_BENCH_LZ4}
                      ${CODEC_BENCH_LZO} ${CODEC_BENCH_SNAPPY} ${CODEC_BENCH_ZLIB}
                      ${CODEC_BENCH_DEFLATE} ${CODEC_BENCH_ZSTD} mos_warnings)
add_dependencies(codec_bench codec_bench_corpus)

# The closing table of a repeated run shows the median speeds, not zeros
# (ctest --test-dir build/linux-release -R codec_bench).
add_test(NAME codec_bench_table
  COMMAND codec_bench --benchmark_filter=/4K/tezl-1/ --benchmark_repetitions=2)
set_tests_properties(codec_bench_table PROPERTIES
  PASS_REGULAR_EXPRESSION "\\| tezl-1 \\| [0-9.]+ \\| [1-9][0-9]* \\| [1-9][0-9]* \\|"
  FAIL_REGULAR_EXPRESSION "\\| 0\\.000 \\||\\| 0 \\||ERROR OCCURRED")
