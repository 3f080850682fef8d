# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers
# (g++-mingw-w64-x86-64-posix). The POSIX thread flavour is the one whose
# libstdc++ has std::thread and std::mutex.
#
#   cmake -S . -B build/windows -G Ninja -DTARVEX_WITH_GUI=OFF \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
#
# scripts/windows-test.sh does this and runs the tests under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_tarvex_mingw x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${_tarvex_mingw}-gcc-posix ${_tarvex_mingw}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_tarvex_mingw}-g++-posix ${_tarvex_mingw}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_tarvex_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_tarvex_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The .exe files run on a bare Windows (or Wine) without MinGW's DLLs beside
# them: libstdc++, libgcc and winpthread go into each program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
