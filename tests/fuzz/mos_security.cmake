# The security keys of the configuration file.
mos_add_fuzzer(fuzz_mos_security_conf SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_security_conf_fuzz.cpp
  LIBS mos)
# Key-pair and CA files as the security layer reads them through the TLS
# library, with a password taken from the input.
mos_add_fuzzer(fuzz_mos_security_keypair
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mos_security_keypair_fuzz.cpp LIBS mos)
