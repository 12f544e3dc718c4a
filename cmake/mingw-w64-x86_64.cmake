# Cross-building for 64-bit Windows with Debian's mingw-w64 toolchain (the
# posix thread model, so that std::thread and std::mutex work), linked
# statically: the programs need no DLL beside them.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTO_MINGW_TRIPLE}-windres)

# Libraries and headers only from the target's tree (and what the build puts
# in CMAKE_PREFIX_PATH, such as the cross-built GoogleTest); programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VANTO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Windows programs are run here under wine; CMake's test discovery uses this.
find_program(VANTO_WINE wine)
if(VANTO_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTO_WINE})
endif()
