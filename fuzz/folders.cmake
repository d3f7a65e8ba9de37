set(tsrn_folders_src ${PROJECT_SOURCE_DIR}/src/folders)

# The parser is compiled into the target so the fuzzer sees its branches.
tsrn_add_fuzzer(list_file
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_file.cpp ${tsrn_folders_src}/ListFileParser.cpp)

tsrn_add_fuzzer(folder_list_load
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/folder_list_load.cpp
        ${tsrn_folders_src}/FolderList.cpp
        ${tsrn_folders_src}/FolderPaths.cpp
        ${tsrn_folders_src}/ListFileParser.cpp
        ${tsrn_folders_src}/ProtectedFolders.cpp
        ${PROJECT_SOURCE_DIR}/tests/support/TestDriver.cpp
    LIBS tsrn_driver_link tsrn_registry tsrn_platform tsrn_resources)
target_include_directories(fuzz_folder_list_load PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
