# The About box and the link label.
set(CMAKE_AUTOMOC ON)
add_library(tsrn_about_gui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CAboutBox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CLinkStatic.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopLinkLauncher.cpp)
target_include_directories(tsrn_about_gui PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tsrn_about_gui PUBLIC tsrn_about_logic tsrn_app_gui Qt6::Widgets PRIVATE tsrn_warnings)
