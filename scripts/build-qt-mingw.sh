#!/usr/bin/env bash
# Builds Qt 6.4.2 (qtbase: Core, Gui, Widgets, Test, Sql, PrintSupport; the windows, offscreen,
# minimal and direct2d platform plugins; the Windows styles; the SQLite and PostgreSQL SQL drivers)
# for 64-bit Windows with Debian 12's MinGW-w64 (posix threads), from Debian's own source packages,
# and packs it as qt-6.4.2-mingw-w64-x86_64.tar.xz. Besides qt6-base 6.4.2+dfsg-10 it builds, from
# bookworm's source packages with Debian's patches: OpenSSL (libssl-3-x64.dll, libcrypto-3-x64.dll),
# libpq from postgresql-15 (libpq.dll, linked with that OpenSSL for TLS), and SQLite from sqlite3
# (Debian's qt6-base source drops Qt's bundled copy; it is linked statically into qsqlite.dll).
# The three DLLs go into the tree's bin/ beside the Qt DLLs. (Qt 6 builds the Windows print support
# into Qt6PrintSupport.dll; there is no printsupport plugin for Windows.)
# About 50 minutes on 2 cores (OpenSSL 10, libpq 5, SQLite 1, Qt 34). Needs root on Debian 12.
#
#   bash scripts/build-qt-mingw.sh [OUTPUT_DIR]   (default: build/ of this project, where
#                                                 scripts/windows-tests.sh looks for it)
#   bash scripts/build-qt-mingw.sh --print-uris   only prints the archive URIs it would fetch
#                                                 the sources from, and builds nothing
#   JOBS=2 (default: nproc); KEEP_WORK=1 keeps the work folder (under $TMPDIR, default /tmp).
#
# The sources come from the archive this system's own apt sources name for bookworm, so a mirror
# or a proxy configured there is used here too.
#
# Use the unpacked tree with Debian's host tools of the same Qt version (qt6-base-dev-tools):
#   cmake -DCMAKE_TOOLCHAIN_FILE=<tree>/lib/cmake/Qt6/qt.toolchain.cmake \
#         -DQT_CHAINLOAD_TOOLCHAIN_FILE=<your MinGW toolchain file> \
#         -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake ...
set -euo pipefail

# The URIs of the enabled "deb" entries for bookworm in apt's own source lists (where apt's
# configuration says they are), each once, in the order apt reads them.
bookworm_uris() {
    local list="" parts=""
    eval "$(apt-config shell list Dir::Etc::sourcelist/f parts Dir::Etc::sourceparts/d)"
    {
        # deb822 stanzas: the URIs of one whose Suites has bookworm, unless "Enabled: no".
        for f in "$parts"*.sources; do
            [ -f "$f" ] || continue
            awk 'BEGIN { RS = ""; FS = "\n" }
                 { u = ""; s = 0; e = 1
                   for (i = 1; i <= NF; i++) {
                       if ($i ~ /^[Uu][Rr][Ii][Ss]:/) { u = $i; sub(/^[^:]*:[ \t]*/, "", u) }
                       if ($i ~ /^[Ss]uites:/) { v = $i; sub(/^[^:]*:/, "", v)
                           n = split(v, a, /[ \t]+/); for (j = 1; j <= n; j++) if (a[j] == "bookworm") s = 1 }
                       if ($i ~ /^[Ee]nabled:[ \t]*[Nn]o/) e = 0
                   }
                   if (s && e && u != "") print u }' "$f"
        done
        # One-line entries: "deb [options] URI bookworm components".
        for f in "$list" "$parts"*.list; do
            [ -f "$f" ] || continue
            awk '$1 == "deb" { i = 2; if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
                               if ($(i + 1) == "bookworm") print $i }' "$f"
        done
    } | tr -s '[:blank:]' '\n' | awk 'NF && !seen[$0]++'
}

if [ "${1:-}" = "--print-uris" ]; then
    bookworm_uris
    exit 0
fi

mkdir -p "${1:-$(dirname "$0")/../build}"
out=$(cd "${1:-$(dirname "$0")/../build}" && pwd)
uris=$(bookworm_uris | tr '\n' ' ')
[ -n "$uris" ] || { echo "build-qt-mingw: no bookworm entry in this system's apt sources" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/qt-mingw.XXXX")
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
jobs=${JOBS:-$(nproc)}
start=$SECONDS

# step NAME COMMAND...: runs COMMAND with its output in $work/NAME.log; shows the log's end if it fails.
step() {
    local log="$work/$1.log"
    shift
    echo "$(date +%T) [$(((SECONDS - start) / 60)) min] $(basename "$log" .log)"
    "$@" >"$log" 2>&1 || {
        tail -n 40 "$log" >&2
        echo "build-qt-mingw: failed, see $log" >&2
        exit 1
    }
}

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq dpkg-dev xz-utils bzip2 cmake ninja-build perl make gcc libc6-dev tcl \
    qt6-base-dev qt6-base-dev-tools \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 >/dev/null

# Debian's source packages, fetched with a private deb-src list so the system's lists stay as they
# are. (The work folder is root's alone: APT::Sandbox::User=root spares apt's warnings about that.)
mkdir -p "$work/apt/lists/partial"
printf 'Types: deb-src\nURIs: %s\nSuites: bookworm\nComponents: main\nSigned-By: %s\n' \
    "$uris" /usr/share/keyrings/debian-archive-keyring.gpg >"$work/apt/src.sources"
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt"
    -o "Dir::State::Lists=$work/apt/lists" -o APT::Sandbox::User=root)
apt-get "${apt_opts[@]}" update -qq
(cd "$work" && apt-get "${apt_opts[@]}" source --download-only \
    qt6-base=6.4.2+dfsg-10 openssl postgresql-15 sqlite3 >/dev/null)
rm -rf "$work/apt"
for f in "$work"/*.dsc; do basename "$f" .dsc; done # the versions used
tar -C "$work" -xf "$work"/qt6-base_6.4.2+dfsg.orig.tar.xz
src="$work/qtbase-everywhere-src-6.4.2"
for p in openssl postgresql-15 sqlite3; do # unpacked with Debian's patches applied
    step "$p-unpack" dpkg-source -x "$work/${p}_"*.dsc "$work/$p"
done
deps="$work/deps" # OpenSSL, libpq and SQLite for MinGW: headers, import libraries, DLLs
cc=x86_64-w64-mingw32-gcc-posix

# OpenSSL. Its prefix is compiled into libcrypto as where openssl.cnf, engines and providers live,
# so it is a Windows path (under Program Files, not writable by users); it is staged with DESTDIR.
# (OpenSSL 3.0 has no "no-docs" option; build_libs / install_dev build and install no docs.)
cd "$work/openssl"
step openssl-configure ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- CC=gcc-posix \
    no-tests shared --prefix="C:/Program Files/OpenSSL" --libdir=lib
step openssl-build make -j"$jobs" build_libs
step openssl-install make DESTDIR="$work/openssl-stage/" install_dev
mv "$work/openssl-stage/C:/Program Files/OpenSSL" "$deps"

# libpq (only libpq, and the headers it and Qt's driver need). sysconfdir is compiled into libpq
# as where pg_service.conf lives: again a Windows path rather than this machine's work folder.
cd "$work/postgresql-15"
step libpq-configure ./configure --host=x86_64-w64-mingw32 CC="$cc" --prefix="$deps" \
    --sysconfdir="C:/Program Files/PostgreSQL/etc" \
    --without-readline --without-zlib --without-icu --with-ssl=openssl \
    CPPFLAGS="-I$deps/include" LDFLAGS="-L$deps/lib"
step libpq-build make -C src/interfaces/libpq -j"$jobs"
step libpq-install sh -c 'make -C src/include install && make -C src/interfaces/libpq install'

# SQLite: the amalgamation generated from Debian's sources (by host tools), compiled for MinGW with
# the options Qt uses for its bundled copy, as a static library for qsqlite.dll.
mkdir "$work/sqlite3-build"
cd "$work/sqlite3-build"
# shellcheck disable=SC2016 # $1 is the inner shell's
step sqlite3-amalgamation sh -c '"$1"/configure --disable-tcl && make sqlite3.c sqlite3.h' sh "$work/sqlite3"
step sqlite3-build sh -c "$cc -O2 -DNDEBUG -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS3 \
    -DSQLITE_ENABLE_FTS3_PARENTHESIS -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_RTREE \
    -DSQLITE_OMIT_LOAD_EXTENSION -c sqlite3.c -o sqlite3.o && x86_64-w64-mingw32-ar rcs libsqlite3.a sqlite3.o"
cp libsqlite3.a "$deps/lib/"
cp sqlite3.h sqlite3ext.h "$deps/include/"
cd "$work"

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
step qt-configure cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/mingw-posix.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=ON \
    -DSQLite3_INCLUDE_DIR="$deps/include" -DSQLite3_LIBRARY="$deps/lib/libsqlite3.a" \
    -DFEATURE_sql_psql=ON -DPostgreSQL_ROOT="$deps" \
    -DPostgreSQL_INCLUDE_DIR="$deps/include" -DPostgreSQL_LIBRARY="$deps/lib/libpq.a" \
    -DFEATURE_sql_odbc=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_db2=OFF -DFEATURE_sql_oci=OFF \
    -DFEATURE_sql_ibase=OFF -DFEATURE_printsupport=ON \
    -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_system_zlib=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF \
    -DFEATURE_directwrite3=OFF
sed -n '/^  Qt PrintSupport \.\./p; /^  Qt Sql \.\./p; /^Qt Sql Drivers:/,/Using system provided SQLite/p' \
    "$work/qt-configure.log"
step qt-build cmake --build "$work/build" --parallel "$jobs"
step qt-install cmake --install "$work/build"
for f in bin/Qt6Sql.dll bin/Qt6PrintSupport.dll plugins/sqldrivers/qsqlite.dll \
    plugins/sqldrivers/qsqlpsql.dll; do
    [ -f "$prefix/$f" ] || {
        echo "build-qt-mingw: $f was not built" >&2
        exit 1
    }
done
cp "$deps/bin/libpq.dll" "$deps/bin/libssl-3-x64.dll" "$deps/bin/libcrypto-3-x64.dll" "$prefix/bin/"
x86_64-w64-mingw32-strip --strip-unneeded "$prefix"/bin/*.dll "$prefix"/plugins/*/*.dll

# The text files name the folders the build ran in: make them name nothing of this machine.
cp "$work/mingw-posix.cmake" "$prefix/lib/cmake/Qt6/mingw-posix.cmake"
grep -rlI -e "$work" "$prefix" | while read -r f; do
    sed -i -e "s|$work/mingw-posix.cmake|\${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake|g" \
        -e "s|$prefix|/opt/qt-6.4.2-mingw-w64-x86_64|g" -e "s|$src|qtbase|g" -e "s|$work|/build|g" "$f"
done
if grep -rlaF -e "$work" "$prefix" >&2; then
    echo "build-qt-mingw: warning: the files above still name $work" >&2
fi
tar -C "$work" -cJf "$out/qt-6.4.2-mingw-w64-x86_64.tar.xz" qt-6.4.2-mingw-w64-x86_64
echo "$(date +%T) [$(((SECONDS - start) / 60)) min] done"
echo "$out/qt-6.4.2-mingw-w64-x86_64.tar.xz"
