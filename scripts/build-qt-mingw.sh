#!/usr/bin/env bash
# Builds Qt 6.4.2 (qtbase: Core, Gui, Widgets, Test; the windows, offscreen and minimal platform
# plugins; the Windows styles) for 64-bit Windows with Debian 12's MinGW-w64 (posix threads), from
# Debian's own qt6-base source package, and packs it as qt-6.4.2-mingw-w64-x86_64.tar.xz.
# About 40 minutes on 2 cores. Needs root on Debian 12.
#
#   bash scripts/build-qt-mingw.sh [OUTPUT_DIR]      (default: build/ of this project, where
#                                                    scripts/windows-tests.sh looks for it)
#
# Use the unpacked tree with Debian's host tools of the same Qt version (qt6-base-dev-tools):
#   cmake -DCMAKE_TOOLCHAIN_FILE=<tree>/lib/cmake/Qt6/qt.toolchain.cmake \
#         -DQT_CHAINLOAD_TOOLCHAIN_FILE=<your MinGW toolchain file> \
#         -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake ...
set -euo pipefail
mkdir -p "${1:-$(dirname "$0")/../build}"
out=$(cd "${1:-$(dirname "$0")/../build}" && pwd)
work=$(mktemp -d /tmp/qt-mingw.XXXX)
trap 'rm -rf "$work"' EXIT
jobs=${JOBS:-$(nproc)}

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq dpkg-dev xz-utils cmake ninja-build perl qt6-base-dev qt6-base-dev-tools \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 >/dev/null

# Debian's source package, fetched with a private deb-src list so the system's lists stay as they are.
mkdir -p "$work/apt/lists/partial"
cat >"$work/apt/src.sources" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt"
          -o "Dir::State::Lists=$work/apt/lists")
apt-get "${apt_opts[@]}" update -qq
(cd "$work" && apt-get "${apt_opts[@]}" source --download-only qt6-base=6.4.2+dfsg-10 >/dev/null)
tar -C "$work" -xf "$work"/qt6-base_6.4.2+dfsg.orig.tar.xz
src="$work/qtbase-everywhere-src-6.4.2"

# Qt 6.4.2's Windows platform plugin refers to the dynamic OpenGL context even when OpenGL is
# configured out; guard it the way the rest of the plugin is guarded.
sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
    "$src/src/plugins/platforms/windows/qwindowswindow.cpp"

cat >"$work/mingw-posix.cmake" <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC

prefix="$work/qt-6.4.2-mingw-w64-x86_64"
map="-ffile-prefix-map=$src=qtbase -ffile-prefix-map=$work/build=qtbase-build"
cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/mingw-posix.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_system_zlib=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF \
    -DFEATURE_directwrite3=OFF >"$work/configure.log"
cmake --build "$work/build" --parallel "$jobs" >"$work/build.log"
cmake --install "$work/build" >/dev/null
x86_64-w64-mingw32-strip --strip-unneeded "$prefix"/bin/*.dll "$prefix"/plugins/*/*.dll

# The text files name the folders the build ran in: make them name nothing of this machine.
cp "$work/mingw-posix.cmake" "$prefix/lib/cmake/Qt6/mingw-posix.cmake"
grep -rlI -e "$work" "$prefix" | while read -r f; do
    sed -i -e "s|$work/mingw-posix.cmake|\${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake|g" \
        -e "s|$prefix|/opt/qt-6.4.2-mingw-w64-x86_64|g" -e "s|$src|qtbase|g" -e "s|$work|/build|g" "$f"
done
tar -C "$work" -cJf "$out/qt-6.4.2-mingw-w64-x86_64.tar.xz" qt-6.4.2-mingw-w64-x86_64
echo "$out/qt-6.4.2-mingw-w64-x86_64.tar.xz"
