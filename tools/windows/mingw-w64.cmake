# CMake toolchain for 64-bit Windows with Debian's mingw-w64 (posix threading model). Used both for
# building Qt for Windows (tools/windows/build-qt.sh) and for building Vestrel against it
# (tools/windows/build.sh); ctest runs the .exe files through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VESTREL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VESTREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESTREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VESTREL_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${VESTREL_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VESTREL_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${VESTREL_MINGW_TRIPLE}-strip CACHE FILEPATH "")

# The ONLY modes below re-root every search path under these roots: without the prefix path among them, a
# project would not find the cross-built Qt given as CMAKE_PREFIX_PATH.
set(CMAKE_FIND_ROOT_PATH /usr/${VESTREL_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(VESTREL_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT VESTREL_WINE64)
    find_program(VESTREL_WINE64 NAMES wine64 wine)
endif()
if(VESTREL_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VESTREL_WINE64})
endif()
