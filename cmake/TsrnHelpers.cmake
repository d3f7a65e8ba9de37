# tsrn_add_gtest(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS fuse])
# One test executable; its cases are registered with CTest one by one.
function(tsrn_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} tsrn_test_support GTest::gtest GTest::gmock
        GTest::gtest_main tsrn_warnings)
    # Tests find programs through compile definitions, not the environment.
    # Each case is labelled with its executable too, so one can be run alone
    # (ctest -L) in a build that has only some of them.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_LIST ${name}_TESTS
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    # The labels are set once the cases are known: the discovery's own
    # PROPERTIES would keep only the first of several.
    set(labels ${name} ${ARG_LABELS})
    set(label_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
    file(WRITE ${label_file} "if(${name}_TESTS)\n"
        "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${labels}\")\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_file})
endfunction()
