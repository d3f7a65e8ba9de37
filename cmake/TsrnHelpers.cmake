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
    set(labels ${name} ${ARG_LABELS})
    set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${labels}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
