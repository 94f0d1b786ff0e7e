# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, for
# std::thread), running the programs of the build (test discovery, the firmware image, the tests)
# under Wine: `./build.sh windows`.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZR48_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZR48_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZR48_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZR48_MINGW_TRIPLE}-windres)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ZR48_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and the thread library linked in, so that a program runs from any folder
# (and under Wine) without MinGW's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine in a prefix of the build folder's own, quiet; Debian keeps wine64 out of the PATH.
find_program(ZR48_WINE NAMES wine64 PATHS /usr/lib/wine NO_CACHE)
if(ZR48_WINE)
    set(ZR48_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env WINEPREFIX=${ZR48_WINE_PREFIX} WINEDEBUG=-all
                                      ${ZR48_WINE})
endif()
