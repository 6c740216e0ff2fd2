# Cross-build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64). With Qt it is
# chain-loaded by the Qt tree's qt.toolchain.cmake (QT_CHAINLOAD_TOOLCHAIN_FILE). The test
# programs are Windows executables; CTest starts them through Wine (tests/windows/wine_run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KTR_MINGW_TRIPLE x86_64-w64-mingw32)

# The posix thread model gives the standard library std::thread, std::mutex and
# std::this_thread::sleep_for, which the win32 model of GCC 12 lacks.
find_program(KTR_MINGW_CXX NAMES ${KTR_MINGW_TRIPLE}-g++-posix ${KTR_MINGW_TRIPLE}-g++ REQUIRED)
find_program(KTR_MINGW_CC NAMES ${KTR_MINGW_TRIPLE}-gcc-posix ${KTR_MINGW_TRIPLE}-gcc REQUIRED)
find_program(KTR_MINGW_RC NAMES ${KTR_MINGW_TRIPLE}-windres)
set(CMAKE_CXX_COMPILER ${KTR_MINGW_CXX})
set(CMAKE_C_COMPILER ${KTR_MINGW_CC})
if(KTR_MINGW_RC)
    set(CMAKE_RC_COMPILER ${KTR_MINGW_RC})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${KTR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No -static: the programs exchange C++ objects with Qt's DLLs, which use the shared MinGW
# runtime; the build copies that runtime beside the programs (cmake/windows.cmake).

# Each test program runs as `sh wine_run.sh program.exe`, which runs it under Wine or reports the
# test as skipped when Wine cannot run programs on this machine.
get_filename_component(KTR_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine_run.sh"
                       ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR /bin/sh ${KTR_WINE_RUN})
