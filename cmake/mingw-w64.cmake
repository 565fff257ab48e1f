# Cross-build for 64-bit Windows with Debian's mingw-w64 (POSIX threads flavour),
# tests run through Wine. VIEWER_WINDOWS_DEPS names the prefix of the static
# libxml2, libcurl and libqrencode builds.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 $ENV{VIEWER_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only the cross prefix answers pkg-config, and with its static flags.
set(ENV{PKG_CONFIG_LIBDIR} "$ENV{VIEWER_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

# One self-contained executable each: no runtime DLLs beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
# GCC 12 warns wrongly about overlapping copies in "text" + std::string at -O2
# (GCC bug 105651); the native build has the same code without the warning.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
