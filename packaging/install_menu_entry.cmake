# Install-time part of the menu entry: writes the launcher and the desktop entry with the paths
# of the prefix being installed to, then installs them. The variables KTR_MENU_SOURCES,
# KTR_MENU_STAGING and the relative install directories come from packaging/CMakeLists.txt.
set(KTR_LAUNCHED_PROGRAM "${CMAKE_INSTALL_PREFIX}/${KTR_BINDIR}/ktr27tunex")
set(launcher_dir "${CMAKE_INSTALL_PREFIX}/${KTR_LIBEXECDIR}/ktr27tunex")
set(KTR_LAUNCHER "${launcher_dir}/ktr27tunex-launch")

configure_file("${KTR_MENU_SOURCES}/ktr27tunex-launch.in" "${KTR_MENU_STAGING}/ktr27tunex-launch"
               @ONLY)
configure_file("${KTR_MENU_SOURCES}/ktr27tunex.desktop.in" "${KTR_MENU_STAGING}/ktr27tunex.desktop"
               @ONLY)
file(INSTALL "${KTR_MENU_STAGING}/ktr27tunex-launch" DESTINATION "${launcher_dir}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                      WORLD_EXECUTE)
file(INSTALL "${KTR_MENU_STAGING}/ktr27tunex.desktop"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${KTR_DATADIR}/applications")
