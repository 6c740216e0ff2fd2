# The Windows build: every program in one folder with the DLLs and plugins it loads, so tests and
# programs run under Wine (or on Windows) straight from the build tree, as they do once installed.
if(NOT WIN32)
    return()
endif()

enable_language(RC)
get_property(ktr_multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(ktr_multi_config)
    set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/$<CONFIG>)
else()
    set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

# Every program CTest starts under Wine shares one Wine prefix in the build directory.
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
        ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()

# The MinGW runtime the programs link against; Qt's DLLs were built against the same shared
# runtime, so the programs must not carry a static copy of their own.
set(KTR_MINGW_RUNTIME_DLLS)
if(MINGW)
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
            message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
        endif()
        # Debian's runtime DLLs carry their debug information (libstdc++ is 23 MB with it).
        set(stripped ${CMAKE_BINARY_DIR}/mingw-runtime/${dll})
        file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/mingw-runtime)
        execute_process(COMMAND ${CMAKE_STRIP} --strip-debug -o ${stripped} ${path}
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "${CMAKE_STRIP} could not strip ${path}")
        endif()
        list(APPEND KTR_MINGW_RUNTIME_DLLS ${stripped})
    endforeach()
endif()

if(KTR_GUI)
    # What windeployqt would put beside the programs: the Qt libraries, the Windows platform
    # plugin, the native style and the SQL drivers. The tests also need Qt Test and the offscreen platform.
    set(KTR_QT_DLLS Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Sql)
    set(KTR_QT_PLATFORM_PLUGINS Qt6::QWindowsIntegrationPlugin)
    # The station database: SQLite on every PC, PostgreSQL for a line server. Qt's PostgreSQL
    # driver loads libpq, and libpq OpenSSL for TLS, from the program's own folder.
    set(KTR_QT_SQL_PLUGINS Qt6::QSQLiteDriverPlugin Qt6::QPSQLDriverPlugin)
    foreach(plugin ${KTR_QT_SQL_PLUGINS})
        if(NOT TARGET ${plugin})
            message(FATAL_ERROR "This Qt has no ${plugin}: the station database needs it")
        endif()
    endforeach()
    get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
    if(NOT qt_core_dll)
        get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION)
    endif()
    get_filename_component(qt_bin ${qt_core_dll} DIRECTORY)
    set(KTR_PSQL_DLLS)
    foreach(dll libpq.dll libssl-3-x64.dll libcrypto-3-x64.dll)
        if(NOT EXISTS ${qt_bin}/${dll})
            message(FATAL_ERROR "${qt_bin} has no ${dll}, which Qt's PostgreSQL driver needs")
        endif()
        list(APPEND KTR_PSQL_DLLS ${qt_bin}/${dll})
    endforeach()
    if(NOT TARGET Qt6::QWindowsIntegrationPlugin)
        message(FATAL_ERROR "This Qt has no Windows platform plugin: it cannot make a Windows program")
    endif()
    # Qt 6.7 renamed the native style.
    set(KTR_QT_STYLE_PLUGINS)
    foreach(plugin Qt6::QWindowsVistaStylePlugin Qt6::QModernWindowsStylePlugin)
        if(TARGET ${plugin})
            list(APPEND KTR_QT_STYLE_PLUGINS ${plugin})
        endif()
    endforeach()

    set(bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
    set(copies)
    foreach(dll ${KTR_QT_DLLS} Qt6::Test)
        list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${dll}> ${bin})
    endforeach()
    foreach(plugin ${KTR_QT_PLATFORM_PLUGINS} Qt6::QOffscreenIntegrationPlugin)
        list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}>
             ${bin}/platforms)
    endforeach()
    foreach(plugin ${KTR_QT_STYLE_PLUGINS})
        list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}>
             ${bin}/styles)
    endforeach()
    foreach(plugin ${KTR_QT_SQL_PLUGINS})
        list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}>
             ${bin}/sqldrivers)
    endforeach()
    list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KTR_PSQL_DLLS} ${bin})
    if(KTR_MINGW_RUNTIME_DLLS)
        list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KTR_MINGW_RUNTIME_DLLS}
             ${bin})
    endif()
    add_custom_target(ktr_windows_runtime ALL
        COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/platforms ${bin}/styles ${bin}/sqldrivers
        ${copies}
        COMMENT "Qt and MinGW runtime DLLs beside the programs"
        VERBATIM)
elseif(KTR_MINGW_RUNTIME_DLLS)
    add_custom_target(ktr_windows_runtime ALL
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KTR_MINGW_RUNTIME_DLLS}
                ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
        COMMENT "MinGW runtime DLLs beside the programs"
        VERBATIM)
endif()
