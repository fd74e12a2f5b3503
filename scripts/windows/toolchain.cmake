# Cross-building for 64-bit Windows with Debian's mingw-w64 (posix threads); programs built for
# the target run under wine64. DEMOHOST_WINDOWS_SYSROOT is where the dependencies are installed;
# pkg-config is pointed there by PKG_CONFIG_LIBDIR, which the caller sets.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_AR x86_64-w64-mingw32-ar)
set(CMAKE_RANLIB x86_64-w64-mingw32-ranlib)
if(NOT DEFINED DEMOHOST_WINDOWS_SYSROOT)
  set(DEMOHOST_WINDOWS_SYSROOT "$ENV{DEMOHOST_WINDOWS_SYSROOT}")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${DEMOHOST_WINDOWS_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
