# Cross build for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64-posix):
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#
# The -posix compilers, not the default ones: GCC 12's default mingw thread
# model is win32, which has no std::thread or std::mutex. Everything is linked
# statically, so the programs import only Windows system DLLs and the zip is
# all a user needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs built for Windows run here under Wine: CTest's tests and the
# build's own steps that run a target. WINEDEBUG=-all is set by whoever runs
# them (the script function and the tests), which also keeps the launcher's
# notices off standard error.
find_program(VK_WINE NAMES wine wine64)
if(VK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VK_WINE})
endif()
