# Settings every one of our own targets shares: warnings are errors for our code,
# and the Qt precompiled header keeps 2-core builds bearable.
function(kalvor_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        -Wno-error=deprecated-declarations)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# Tests that open the system's audio devices. While PortAudio lists them, ALSA loads and
# unloads its plugins, and the a52 one brings FFmpeg's libraries, whose one-time
# allocations become leaks from an unknown module once unloaded (the program itself no
# longer keeps FFmpeg loaded). Stacks unwound in full at each allocation reach libasound and
# PortAudio, which lsan.supp names; that costs time, so only these tests pay it.
set(KALVOR_TESTS_WITH_SYSTEM_DEVICES engine_audiolib_devices_test
    engine_audiolib_realtime_alloc_test engine_audiolib_jack_test engine_routing_jack_test)

# kalvor_add_test(NAME SOURCES ... LIBS ...): one GoogleTest executable registered with ctest.
# Every test runs with a HOME, XDG folders and runtime folder of its own, so the user's
# settings are never touched and two test programs never share an instance lock.
function(kalvor_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    kalvor_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS} kalvor_testsupport GTest::gtest)
    add_test(NAME ${name} COMMAND ${name})
    set(unwind "")
    if(name IN_LIST KALVOR_TESTS_WITH_SYSTEM_DEVICES)
        set(unwind "ASAN_OPTIONS=fast_unwind_on_malloc=0;")
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${unwind}QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1;KALVOR_TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        TIMEOUT 600)
endfunction()
