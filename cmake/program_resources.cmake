# ktr_program_resources(TARGET DESCRIPTION text): the program's icon as a Qt resource
# (":/ktr27tunex.png", for the window icon) and, on Windows, the icon and the version
# information embedded in the .exe.
set(KTR_PROGRAM_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../packaging/windows)

function(ktr_program_resources target)
    cmake_parse_arguments(R "" "DESCRIPTION" "" ${ARGN})
    qt_add_resources(${target} ${target}_icon PREFIX / BASE ${KTR_PROGRAM_RESOURCE_DIR}
        FILES ${KTR_PROGRAM_RESOURCE_DIR}/ktr27tunex.png)
    if(WIN32)
        set(KTR_RC_ICON ${KTR_PROGRAM_RESOURCE_DIR}/ktr27tunex.ico)
        set(KTR_RC_DESCRIPTION "${R_DESCRIPTION}")
        set(KTR_RC_FILE_NAME $<TARGET_FILE_NAME:${target}>)
        set(KTR_RC_INTERNAL_NAME ${target})
        configure_file(${KTR_PROGRAM_RESOURCE_DIR}/program.rc.in
                       ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc.in @ONLY)
        file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc
             INPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc.in)
        target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    endif()
endfunction()
