# The ELF version-note reader the installer runs over library files, compiled
# into the target so the fuzzer sees its branches.
tsrn_add_fuzzer(version_note
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/version_note.cpp ${PROJECT_SOURCE_DIR}/src/setup/VersionNote.cpp)
