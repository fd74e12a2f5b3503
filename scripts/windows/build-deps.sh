#!/usr/bin/env bash
# Builds demohost's dependencies for Windows from the source tarballs in ../shared/deps/ into the
# sysroot folder $1 (include/, lib/, bin/ with the DLLs). Each is built again only when its
# tarball or its recipe below changed: a stamp in $1/stamps/ keeps their checksum.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
deps=${DEMOHOST_DEPS:-$root/../shared/deps}
sysroot=$(mkdir -p "$1" && cd "$1" && pwd)
work="$sysroot/src"
jobs=$(nproc)
toolchain="$root/scripts/windows/toolchain.cmake"
host=x86_64-w64-mingw32
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib
mkdir -p "$sysroot/stamps" "$work" "$sysroot/lib/pkgconfig" "$sysroot/include" "$sysroot/bin" \
  "$sysroot/licenses"

# The licence texts of tarball $2, for a packed demo: its own files at the top of its tree.
licence() {
  local name=$1 tarball="$deps/$2"
  tar -tf "$tarball" | awk -F/ 'NF == 2 && $2 ~ /^(COPYING|LICENSE|LICENCE|COPYRIGHT)/' |
    xargs tar -xOf "$tarball" >"$sysroot/licenses/$name.txt"
}

# Runs `build_NAME` in a fresh copy of tarball $2's tree when the tarball or the recipe differs
# from the stamp; the licence texts are taken every time.
step() {
  local name=$1 tarball="$deps/$2" sum
  licence "$name" "$2"
  sum=$( (sha256sum <"$tarball"; declare -f "build_$name") | sha256sum | cut -d' ' -f1)
  if [ "$(cat "$sysroot/stamps/$name" 2>/dev/null)" = "$sum" ]; then
    return
  fi
  echo "windows dependencies: building $name"
  rm -rf "${work:?}/$name"
  mkdir -p "$work/$name"
  tar -xf "$tarball" -C "$work/$name" --strip-components=1
  # In a background subshell, so that the recipe stops at its first failing command.
  (set -e; cd "$work/$name"; "build_$name") >"$work/$name.log" 2>&1 &
  wait $! ||
    { echo "windows dependencies: $name failed, see $work/$name.log"; tail -20 "$work/$name.log"; exit 1; }
  echo "$sum" >"$sysroot/stamps/$name"
}

cmake_build() {
  cmake -S "${1:-.}" -B out -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DDEMOHOST_WINDOWS_SYSROOT="$sysroot" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$sysroot" -DCMAKE_PREFIX_PATH="$sysroot" \
    "${@:2}"
  cmake --build out -j "$jobs"
  cmake --install out
}

build_glfw() {
  cmake_build . -DBUILD_SHARED_LIBS=ON -DGLFW_BUILD_EXAMPLES=OFF -DGLFW_BUILD_TESTS=OFF \
    -DGLFW_BUILD_DOCS=OFF
}

build_glew() {
  cmake_build build/cmake -DBUILD_UTILS=OFF
}

build_lua() {
  make -C src mingw CC="$CC" -j "$jobs"
  cp src/lua51.dll "$sysroot/bin/"
  # The DLL's import library, for linking the program and Lua C modules against it.
  gendef - src/lua51.dll >lua51.def
  $host-dlltool -D lua51.dll -d lua51.def -l "$sysroot/lib/liblua51.dll.a"
  mkdir -p "$sysroot/include/lua5.1"
  cp src/lua.h src/luaconf.h src/lualib.h src/lauxlib.h etc/lua.hpp "$sysroot/include/lua5.1/"
  cat >"$sysroot/lib/pkgconfig/lua5.1.pc" <<PC
prefix=$sysroot
Name: Lua
Description: Lua 5.1 for Windows
Version: 5.1.5
Libs: -L\${prefix}/lib -llua51
Cflags: -I\${prefix}/include/lua5.1
PC
}

build_sdl2() {
  cmake_build . -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON \
    -DSDL_VIDEO=OFF -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF \
    -DSDL_SENSOR=OFF -DSDL_POWER=OFF
}

build_ogg() { cmake_build . -DBUILD_SHARED_LIBS=OFF -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF; }
build_vorbis() { cmake_build . -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF; }
# Without the stack protector and fortified calls, whose runtime the DLL that links it lacks.
build_opus() {
  cmake_build . -DBUILD_SHARED_LIBS=OFF -DOPUS_BUILD_TESTING=OFF -DOPUS_BUILD_PROGRAMS=OFF \
    -DOPUS_STACK_PROTECTOR=OFF -DOPUS_FORTIFY_SOURCE=OFF
}
build_flac() {
  cmake_build . -DBUILD_SHARED_LIBS=OFF -DWITH_STACK_PROTECTOR=OFF -DWITH_FORTIFY_SOURCE=OFF \
    -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF \
    -DINSTALL_MANPAGES=OFF
}
build_mpg123() { cmake_build ports/cmake -DBUILD_SHARED_LIBS=OFF -DBUILD_LIBOUT123=OFF -DBUILD_PROGRAMS=OFF; }
build_lame() {
  ./configure --host=$host --prefix="$sysroot" --disable-shared --disable-frontend --disable-decoder
  make -j "$jobs"
  make install
}
build_sndfile() {
  cmake_build . -DBUILD_SHARED_LIBS=ON -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=ON -DBUILD_PROGRAMS=OFF \
    -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DCMAKE_C_FLAGS=-DFLAC__NO_DLL \
    -DCMAKE_C_STANDARD_LIBRARIES=-lshlwapi
}

build_pocketfft() {
  mkdir -p "$sysroot/include/pocketfft"
  cp pocketfft.c pocketfft.h "$sysroot/include/pocketfft/"
}

# The headers, and a library of their implementations as Debian's package has.
build_stb() {
  cp stb_image.h stb_image_write.h "$sysroot/include/"
  printf '#define STB_IMAGE_IMPLEMENTATION\n#include "stb_image.h"\n#define STB_IMAGE_WRITE_IMPLEMENTATION\n#include "stb_image_write.h"\n' >stb.c
  $CC -O2 -c stb.c -o stb.o
  $AR rcs "$sysroot/lib/libstb.a" stb.o
  cat >"$sysroot/lib/pkgconfig/stb.pc" <<PC
prefix=$sysroot
Name: stb
Description: single-file image libraries
Version: 0
Libs: -L\${prefix}/lib -lstb
Cflags: -I\${prefix}/include
PC
}

# GoogleTest, from the sources Debian's googletest package installs.
build_gtest() {
  cmake_build /usr/src/googletest -DBUILD_GMOCK=OFF
}

step glfw glfw-3.4.tar.gz
step glew glew_2.2.0.orig.tar.xz
step lua lua5.1_5.1.5.orig.tar.gz
step sdl2 SDL2-2.32.10-trimmed.tar.gz
step ogg libogg-1.3.6.tar.gz
step vorbis libvorbis-1.3.7.tar.gz
step opus opus-1.4.tar.gz
step flac flac-1.4.3.tar.gz
step mpg123 mpg123-1.33.4.tar.gz
step lame lame_3.100.orig.tar.gz
step sndfile libsndfile-1.2.2.tar.gz
step pocketfft pocketfft-c.tar.gz
step stb stb-31c1ad3-image.tar.gz

# The threads runtime that the posix-thread compilers' programs load.
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$sysroot/bin/"

# The mingw-w64 runtime's licence (libwinpthread), from its Debian package.
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$sysroot/licenses/mingw-w64.txt"

# GoogleTest comes from a package, not a tarball: its version is the stamp.
gtest_sum=$( (dpkg-query -W -f='${Version}' googletest; declare -f build_gtest) | sha256sum | cut -d' ' -f1)
if [ "$(cat "$sysroot/stamps/gtest" 2>/dev/null)" != "$gtest_sum" ]; then
  echo "windows dependencies: building gtest"
  rm -rf "$work/gtest" && mkdir -p "$work/gtest"
  (set -e; cd "$work/gtest"; build_gtest) >"$work/gtest.log" 2>&1 &
  wait $! || { echo "windows dependencies: gtest failed, see $work/gtest.log"; tail -20 "$work/gtest.log"; exit 1; }
  echo "$gtest_sum" >"$sysroot/stamps/gtest"
fi
