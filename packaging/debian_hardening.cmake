# The hardening Debian builds its programs with: the flags dpkg-buildflags gives with every
# hardening feature on (fortified functions, stack protector, read-only relocations and
# immediate binding). They go on the programs and on every library of the project linked into
# them, so the tests run the code as it is packaged. The sanitizer build keeps its own flags:
# fortified functions and AddressSanitizer do not mix.
function(ktr_debian_hardening)
    if(CMAKE_CROSSCOMPILING OR KTR_SANITIZE OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        return()
    endif()
    find_program(KTR_DPKG_BUILDFLAGS dpkg-buildflags)
    if(NOT KTR_DPKG_BUILDFLAGS)
        message(STATUS "dpkg-buildflags not found: programs built without Debian's hardening")
        return()
    endif()
    set(flags)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    ${KTR_DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(value UNIX_COMMAND "${value}")
        set(${kind} ${value})
    endforeach()

    # Only the hardening flags: optimisation and debug information stay the build type's.
    # Fortified functions need an optimised build, or glibc warns (an error here).
    set(compile)
    foreach(flag ${CPPFLAGS} ${CXXFLAGS})
        if(flag MATCHES "^-D_FORTIFY_SOURCE")
            list(APPEND compile "$<$<NOT:$<CONFIG:Debug>>:${flag}>")
        elseif(flag MATCHES "^-fstack-protector|^-fstack-clash-protection|^-fcf-protection|^-Wformat|^-Werror=format-security")
            list(APPEND compile ${flag})
        endif()
    endforeach()
    set(link)
    foreach(flag ${LDFLAGS})
        if(flag MATCHES "^-Wl,-z,(relro|now)$")
            list(APPEND link ${flag})
        endif()
    endforeach()

    set(pending ${ARGN})
    set(seen)
    while(pending)
        list(POP_FRONT pending target)
        if(NOT TARGET ${target} OR target IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${target})
        get_target_property(imported ${target} IMPORTED)
        get_target_property(type ${target} TYPE)
        if(imported OR type STREQUAL "INTERFACE_LIBRARY")
            continue()
        endif()
        target_compile_options(${target} PRIVATE ${compile})
        if(type STREQUAL "EXECUTABLE")
            target_link_options(${target} PRIVATE ${link})
        endif()
        get_target_property(libraries ${target} LINK_LIBRARIES)
        if(libraries)
            list(APPEND pending ${libraries})
        endif()
    endwhile()
endfunction()
