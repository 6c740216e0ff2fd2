# Every target of the project gets the same warning set; CI builds with it as errors.
function(ktr_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /utf-8)
        if(KTR_WERROR)
            target_compile_options(${target} PRIVATE /WX)
        endif()
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
        if(KTR_WERROR)
            target_compile_options(${target} PRIVATE -Werror)
        endif()
    endif()
endfunction()

# ktr_test(NAME LABEL SOURCES... LIBS ...): one test executable registered with CTest under a
# subsystem label, with the offscreen Qt platform so windows are tested without a display, and
# with per-user data and state folders of the build's, so no test reads or writes the user's.
function(ktr_test name label)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    ktr_warnings(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set(home ${CMAKE_BINARY_DIR}/test-home)
    set_tests_properties(${name} PROPERTIES LABELS "${label}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_DATA_HOME=${home}/share;XDG_STATE_HOME=${home}/state;XDG_CONFIG_HOME=${home}/config")
    # On Windows the offscreen platform finds no fonts by itself.
    if(WIN32)
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT QT_QPA_FONTDIR=C:/Windows/Fonts)
    endif()
    # In the Windows cross-build every test also runs under Wine, through the emulator
    # (cmake/windows.cmake); exit code 77 means Wine could not run programs and marks the test
    # skipped, never passed.
    if(CMAKE_CROSSCOMPILING AND WIN32)
        set(labels ${label})
        list(APPEND labels windows)
        list(REMOVE_DUPLICATES labels)
        set_tests_properties(${name} PROPERTIES LABELS "${labels}" SKIP_RETURN_CODE 77)
    endif()
endfunction()
