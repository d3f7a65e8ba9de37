# tsrn_registry_store: typed value access with the program's reading rules.
add_library(tsrn_registry_store STATIC ${CMAKE_CURRENT_LIST_DIR}/RegistryStore.cpp)
target_include_directories(tsrn_registry_store PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tsrn_registry_store PUBLIC tsrn_platform PRIVATE tsrn_warnings)
