# Cross build for 32-bit Windows with Debian's mingw-w64.
# The -posix thread-model compilers are required: the default win32 model has no
# std::thread/std::mutex, which GoogleTest and the workers need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(_prefix i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_prefix}-g++-posix)
set(CMAKE_RC_COMPILER  ${_prefix}-windres)
set(CMAKE_AR           ${_prefix}-ar)
set(CMAKE_RANLIB       ${_prefix}-ranlib)

set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Fully static: the executables import only system DLLs, so they run on a bare
# Windows and under wine without libstdc++/libwinpthread DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Static libraries only: Debian's libz-mingw-w64-dev also ships an import
# library, which find_package(ZLIB) would otherwise take, and every executable
# (the restorer inside each backup too) would then need zlib1.dll beside it.
set(ZLIB_USE_STATIC_LIBS ON)
