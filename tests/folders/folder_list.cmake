tsrn_add_gtest(folder_list_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/FolderPathsTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ListFileParserTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ProtectedFoldersTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/FolderListStorageTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/AbsentFoldersTest.cpp
    LIBS tsrn_folders)
