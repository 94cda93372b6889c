# Codec decoders: family A (levels 0 and -1) and family C (level -5).
foreach(pair "fama_decode_l0;0" "fama_decode_lm1;-1" "famc_decode_lm5;-5")
  list(GET pair 0 name)
  list(GET pair 1 level)
  mos_add_fuzzer(codec_${name}
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/codec_decode_fuzz.cpp
    LIBS tezl)
  target_compile_definitions(codec_${name} PRIVATE CODEC_FUZZ_LEVEL=${level})
endforeach()

# Every encoder's output decodes back to its input, whatever the input.
mos_add_fuzzer(codec_roundtrip
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/codec_roundtrip_fuzz.cpp
  LIBS tezl)

# Structured round trip: recipes of mixed runs expanded into up to 4 MiB,
# every level, every decoder of the family, buffers and piece lists. Its
# inputs run to several MiB, so it links its own optimised copy of the
# library, without comparison tracing: the recipe, not the codec's
# compares, is what the fuzzer steers here.
get_target_property(tezl_sources tezl SOURCES)
get_target_property(tezl_dir tezl SOURCE_DIR)
list(TRANSFORM tezl_sources PREPEND ${tezl_dir}/)
add_library(tezl_optimised STATIC ${tezl_sources})
target_include_directories(tezl_optimised PUBLIC ${CMAKE_SOURCE_DIR}/codec)
target_compile_options(tezl_optimised PRIVATE -O2 -fno-sanitize-coverage=trace-cmp)
target_link_libraries(tezl_optimised PRIVATE mos_warnings)
mos_add_fuzzer(codec_mixed
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/codec_mixed_fuzz.cpp
  LIBS tezl_optimised)
target_include_directories(codec_mixed PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit/codec)
