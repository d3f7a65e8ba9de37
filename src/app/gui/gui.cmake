# tsrn_app_gui: the Qt widgets of the application shell: the main window,
# its dialogs and the single-instance channel. The folder list view it shows
# comes from above (tsrn_view_gui), through FrameView.
set(CMAKE_AUTOMOC ON)
add_library(tsrn_app_gui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CMainFrame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DialogParts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DialogPasswordPrompts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HelpOpener.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LocalInstanceChannel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageBoxPrompter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MissingPasswordDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProjectIcons.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellTexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ToolBarLayoutStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UnlockDialog.cpp)
target_include_directories(tsrn_app_gui PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(tsrn_app_gui PRIVATE
    TSRN_SOURCE_MANUAL_DIR="${PROJECT_SOURCE_DIR}/docs/manual")
target_link_libraries(tsrn_app_gui PUBLIC tsrn_app_logic tsrn_edit_limits Qt6::Widgets Qt6::Network
    PRIVATE tsrn_warnings)
