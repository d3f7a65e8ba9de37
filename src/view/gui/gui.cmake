# tsrn_view_gui: the Qt widgets of the folder list view and its dialogs. It
# fills the main window's centre (app::FrameView), so it sits above the shell.
set(CMAKE_AUTOMOC ON)
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
target_link_libraries(tsrn_view_gui PUBLIC tsrn_view_logic tsrn_app_gui tsrn_edit_limits Qt6::Widgets
    PRIVATE tsrn_warnings)
