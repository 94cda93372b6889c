# Family B decoder targets: level -2 (buffers and window pieces) and
# level -3 (staging through work memory, pieces of any size).
mos_add_fuzzer(famb_decode_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/famb_decode_fuzz.cpp LIBS tezl)
target_compile_definitions(famb_decode_fuzz PRIVATE FAMB_STAGING=0)
mos_add_fuzzer(famb_staging_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/famb_decode_fuzz.cpp LIBS tezl)
target_compile_definitions(famb_staging_fuzz PRIVATE FAMB_STAGING=1)
# Encoder round trip over piece lists at levels 5 to 8.
mos_add_fuzzer(famb_roundtrip_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/famb_roundtrip_fuzz.cpp LIBS tezl)
