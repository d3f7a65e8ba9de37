tsrn_add_gtest(tsrn_registry_store_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/RegistryStoreTest.cpp
    LIBS tsrn_registry_store)
