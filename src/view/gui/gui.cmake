# The Qt widgets of the folder list view and its dialogs. The main window's
# factory builds this view once it exists.
set(CMAKE_AUTOMOC ON)
if(NOT TARGET tsrn_app_gui)
    message(STATUS "src/view: widgets not built yet, tsrn_app_gui is missing")
    return()
endif()
add_library(tsrn_view_gui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AddFolderDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CTsrnView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ChangePasswordDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CipheringDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DialogHelpers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderChooser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderListWidget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderProtectionDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderTableModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecoveryProgressDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecoveryWindows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RowDelegate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RowImages.cpp)
target_include_directories(tsrn_view_gui PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tsrn_view_gui PUBLIC tsrn_view_logic tsrn_app_gui Qt6::Widgets
    PRIVATE tsrn_warnings)
# The main window's factory puts this view in the window's centre.
target_link_libraries(tsrn_app_gui PUBLIC tsrn_view_gui)
target_compile_definitions(tsrn_app_gui PRIVATE TSRN_HAVE_FOLDER_VIEW)
