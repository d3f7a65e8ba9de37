add_library(tsrn_folders STATIC
    ${CMAKE_CURRENT_LIST_DIR}/FolderList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderPaths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListFileParser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProtectedFolders.cpp)
target_include_directories(tsrn_folders PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tsrn_folders
    PUBLIC tsrn_driver_link tsrn_registry_store tsrn_platform tsrn_resources
    PRIVATE tsrn_warnings)
