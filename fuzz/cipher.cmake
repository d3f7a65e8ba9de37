tsrn_add_fuzzer(cipher_forms SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/cipher_forms.cpp LIBS tsrn_crypto)
