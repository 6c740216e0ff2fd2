#!/usr/bin/env bash
# The Windows program: cross-builds everything (both programs, every library, every test) with
# MinGW-w64 against Qt for MinGW, runs every test under Wine (the Qt tests offscreen, the bench
# self-tests once more on the real Windows platform under Xvfb), checks that an installed folder
# runs on its own, makes the ZIP and the NSIS installer, and installs, runs and uninstalls the
# installer under Wine.
#
# The Qt tree: KTR_QT_MINGW names an unpacked tree; otherwise qt-6.4.2-mingw-w64-x86_64.tar.xz
# from ../shared/qt-mingw (or build/, where scripts/build-qt-mingw.sh puts it) is unpacked into
# build/qt-mingw once. Without either, or when Wine cannot run programs, it prints "SKIPPED: ..."
# and exits 0 without claiming any test passed.
#
# KTR_WINDOWS_BUILD_DIR: the build directory (default build/mingw, the preset's).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="${KTR_WINDOWS_BUILD_DIR:-$root/build/mingw}"
jobs="${KTR_JOBS:-2}"
export WINEPREFIX="$build/wineprefix"
started=$(date +%s)

not_run() {
    echo "$1"
    echo "The Windows tests were not run; nothing of them is counted as passed."
    exit 0
}

for tool in cmake ninja x86_64-w64-mingw32-g++-posix xvfb-run makensis; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "windows-tests: $tool is missing (scripts/deps.sh installs it)" >&2
        exit 1
    fi
done

qt_name=qt-6.4.2-mingw-w64-x86_64
if [ -n "${KTR_QT_MINGW:-}" ]; then
    if [ ! -f "$KTR_QT_MINGW/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
        echo "windows-tests: KTR_QT_MINGW=$KTR_QT_MINGW is not an unpacked Qt for MinGW" \
            "(no lib/cmake/Qt6/qt.toolchain.cmake in it)" >&2
        exit 1
    fi
else
    KTR_QT_MINGW="$root/build/qt-mingw"
    if [ ! -f "$KTR_QT_MINGW/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
        archive=""
        for candidate in "$root/../shared/qt-mingw/$qt_name.tar.xz" "$root/build/$qt_name.tar.xz"; do
            if [ -f "$candidate" ]; then
                archive=$candidate
                break
            fi
        done
        if [ -z "$archive" ]; then
            not_run "SKIPPED: Windows build: no Qt for MinGW (KTR_QT_MINGW is not set and there is no \
../shared/qt-mingw/$qt_name.tar.xz). Make one with 'bash scripts/build-qt-mingw.sh' (as root, \
about 40 minutes on 2 cores; it leaves build/$qt_name.tar.xz, which this script then unpacks), \
or set KTR_QT_MINGW to an unpacked tree."
        fi
        echo "Unpacking $archive into $KTR_QT_MINGW..."
        rm -rf "$KTR_QT_MINGW" "$KTR_QT_MINGW.partial"
        mkdir -p "$KTR_QT_MINGW.partial"
        tar -xf "$archive" -C "$KTR_QT_MINGW.partial"
        mv "$KTR_QT_MINGW.partial/$qt_name" "$KTR_QT_MINGW"
        rmdir "$KTR_QT_MINGW.partial"
    fi
fi
export KTR_QT_MINGW
echo "Qt for MinGW: $KTR_QT_MINGW"

# A fresh check every run; the test programs reuse its outcome through the status file.
mkdir -p "$build"
rm -f "$WINEPREFIX.status"
echo "Checking Wine (prefix $WINEPREFIX)..."
set +e
check=$(timeout 300 sh tests/windows/wine_run.sh --check 2>&1)
rc=$?
set -e
if [ "$rc" -ne 0 ]; then
    case "$check" in
    *"SKIPPED: Wine unusable:"*) not_run "$(echo "$check" | grep "SKIPPED: Wine unusable:")" ;;
    *) not_run "SKIPPED: Wine unusable: the check failed (exit $rc): $check" ;;
    esac
fi
echo "$check"

cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j "$jobs"
built=$(date +%s)

# Explorer shows each program's icon and, under Properties, its version information.
for program in ktr27tunex ktr27tunex-bench; do
    exe="$build/bin/$program.exe"
    resources=$(x86_64-w64-mingw32-objdump -p "$exe")
    # Resource types 0x0e (icon group) and 0x10 (version information), at the top level.
    for type in 00000e 000010; do
        if ! grep -Eq "^[0-9a-f]+   Entry: ID: 0x$type," <<<"$resources"; then
            echo "windows-tests: $program.exe has no resource of type 0x$type" >&2
            exit 1
        fi
    done
    # grep reads all of it: quitting at the first match would fail the pipe under pipefail.
    if ! strings -el "$exe" | grep -x "KTR27 Tunex" >/dev/null; then
        echo "windows-tests: $program.exe names no product in its version information" >&2
        exit 1
    fi
done

# Every test of the build under Wine. Xvfb gives the bench self-tests on the Windows platform
# their display; the other tests run offscreen. The Wine session (its server and background
# programs) is started first with no output to hold: started by a test, those processes would
# keep that test's output open, and CTest would wait for them as long as the session lasts.
xvfb=(xvfb-run -a -s "-screen 0 1700x1000x24")
set +e
"${xvfb[@]}" bash -c 'wineserver -p </dev/null >/dev/null 2>&1
    sh tests/windows/wine_run.sh cmd /c exit </dev/null >/dev/null 2>&1
    ctest "$@"; rc=$?
    wineserver -k
    exit $rc' ctest --test-dir "$build" --output-on-failure --timeout 300 -j "$jobs" \
    | tee "$build/windows-tests.log"
rc=${PIPESTATUS[0]}
set -e
# Programs skipped with Wine's exit code would show as "Skipped" rather than failed: say so.
if grep -q "SKIPPED: Wine unusable:" "$build/windows-tests.log" ||
    grep -qE "\*\*\*Skipped|Not Run" "$build/windows-tests.log"; then
    echo "windows-tests: some tests did not run under Wine; they are NOT counted as passed." >&2
    [ "$rc" -eq 0 ] && rc=1
fi
[ "$rc" -eq 0 ] || exit "$rc"
tested=$(date +%s)

# The installed folder alone must run: every DLL and plugin the programs load is beside them.
echo "Installing into an empty folder and running the bench's self-test from there..."
installed="$build/install-check"
rm -rf "$installed"
cmake --install "$build" --prefix "$installed" >/dev/null
scratch=$(mktemp -d)
(cd "$scratch" && QT_QPA_PLATFORM=windows KTR_WINE_DISPLAY=1 "${xvfb[@]}" \
    sh "$root/tests/windows/wine_run.sh" "$installed/bin/ktr27tunex-bench.exe" --self-test) ||
    { echo "windows-tests: the installed ktr27tunex-bench.exe failed its self-test" >&2; exit 1; }
rm -rf "$scratch"

echo "Making the ZIP and the installer..."
rm -f "$build"/ktr27tunex-*-win64.zip "$build"/ktr27tunex-*-win64.exe
(cd "$build" && cpack -G "ZIP;NSIS" >/dev/null)
zip=$(ls "$build"/ktr27tunex-*-win64.zip)
installer=$(ls "$build"/ktr27tunex-*-win64.exe)
"${xvfb[@]}" bash tests/windows/installer_test.sh "$installer"

if command -v wineserver >/dev/null 2>&1; then
    wineserver -k >/dev/null 2>&1 || true
fi
done_at=$(date +%s)
echo "Windows deliverables:"
echo "  $zip ($(du -h "$zip" | cut -f1))"
echo "  $installer ($(du -h "$installer" | cut -f1))"
echo "Windows stage: build $((built - started)) s, tests $((tested - built)) s," \
    "install and installer $((done_at - tested)) s, total $((done_at - started)) s"
