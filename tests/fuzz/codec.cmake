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
