# The text readers of the registry store and the view's stored settings, and
# the full-path form, compiled into the target so the fuzzer sees their branches.
tsrn_add_fuzzer(registry_texts
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_texts.cpp
            ${PROJECT_SOURCE_DIR}/src/registry/RegistryStore.cpp
            ${PROJECT_SOURCE_DIR}/src/view/ColumnWidths.cpp
            ${PROJECT_SOURCE_DIR}/src/view/EnterAction.cpp
            ${PROJECT_SOURCE_DIR}/src/platform/Paths.cpp
    LIBS tsrn_registry tsrn_platform)
