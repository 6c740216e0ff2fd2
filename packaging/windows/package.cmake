# Windows: everything the two programs load goes beside them (what windeployqt would copy), and
# CPack makes a portable ZIP and an NSIS installer of that folder.
if(NOT WIN32)
    return()
endif()
include(GNUInstallDirs)

foreach(dll ${KTR_QT_DLLS})
    install(FILES $<TARGET_FILE:${dll}> DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
foreach(plugin ${KTR_QT_PLATFORM_PLUGINS})
    install(FILES $<TARGET_FILE:${plugin}> DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
endforeach()
foreach(plugin ${KTR_QT_STYLE_PLUGINS})
    install(FILES $<TARGET_FILE:${plugin}> DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
endforeach()
foreach(plugin ${KTR_QT_SQL_PLUGINS})
    install(FILES $<TARGET_FILE:${plugin}> DESTINATION ${CMAKE_INSTALL_BINDIR}/sqldrivers)
endforeach()
install(FILES ${KTR_PSQL_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KTR_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
if(MSVC)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
    include(InstallRequiredSystemLibraries)
endif()

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGING_INSTALL_PREFIX "")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "KTR27 Tunex")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "KTR27 Tunex")
set(CPACK_NSIS_PACKAGE_NAME "KTR27 Tunex")
set(CPACK_NSIS_DISPLAY_NAME "KTR27 Tunex ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${CMAKE_CURRENT_LIST_DIR}/ktr27tunex.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_CURRENT_LIST_DIR}/ktr27tunex.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\ktr27tunex.exe")
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# A 64-bit installer for the 64-bit programs: it runs where they run (also under a Wine without
# its 32-bit half) and sees the real Program Files and registry.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")

# A user's own files (the trace, the write record, configuration files) are the user's: the
# programs make their per-user folder at start, and neither an upgrade nor an uninstall removes
# anything from it.
set(ktr_user_folder "KTR27 Tunex")

# An upgrade runs the earlier version's uninstaller first, as CPack would, but keeps the running
# user's trace out of its reach: the uninstallers of earlier versions delete it.
configure_file(${CMAKE_CURRENT_LIST_DIR}/uninstall_earlier.nsh.in
               ${CMAKE_CURRENT_BINARY_DIR}/uninstall_earlier.nsh @ONLY)
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS
    "  !include '${CMAKE_CURRENT_BINARY_DIR}/uninstall_earlier.nsh'\n")

# The shortcuts start the programs in the user's profile folder, which every user has (Windows
# refuses to start a shortcut whose start folder is missing); the file dialogs open there. The
# programs make and find their per-user folder by themselves. (NSIS takes single quotes; CPack would eat
# double ones on their way to the script.)
set(ktr_shortcuts "KTR27 Tunex=ktr27tunex.exe" "KTR27 Tunex Bench=ktr27tunex-bench.exe")
string(CONCAT CPACK_NSIS_CREATE_ICONS_EXTRA
    "  Push $OUTDIR\n"
    "  StrCpy $OUTDIR '%USERPROFILE%'\n")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "")
foreach(shortcut ${ktr_shortcuts})
    string(REGEX REPLACE "=.*" "" title "${shortcut}")
    string(REGEX REPLACE ".*=" "" program "${shortcut}")
    string(APPEND CPACK_NSIS_CREATE_ICONS_EXTRA
        "  CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\${title}.lnk' "
        "'$INSTDIR\\\\bin\\\\${program}'\n")
    string(APPEND CPACK_NSIS_DELETE_ICONS_EXTRA
        "  Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\${title}.lnk'\n")
endforeach()
string(APPEND CPACK_NSIS_CREATE_ICONS_EXTRA "  Pop $OUTDIR\n")
