# Settings every one of our own targets shares: warnings are errors for our code,
# and the Qt precompiled header keeps 2-core builds bearable.
function(kalvor_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        -Wno-error=deprecated-declarations)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# kalvor_add_test(NAME SOURCES ... LIBS ...): one GoogleTest executable registered with ctest.
# Every test runs with a HOME, XDG folders and runtime folder of its own, so the user's
# settings are never touched and two test programs never share an instance lock.
function(kalvor_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    kalvor_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS} kalvor_testsupport GTest::gtest)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1;KALVOR_TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        TIMEOUT 600)
endfunction()
