#!/usr/bin/env bash
# Builds the default preset (a no-op after the test build), makes the Debian package, installs
# it with apt-get, and checks that everything is where it belongs and that the installed
# ktr27tunex starts and stays up.
set -euo pipefail
cd "$(dirname "$0")/.."

SUDO=""
if [ "$(id -u)" != 0 ]; then
    SUDO=sudo
fi
fail() {
    echo "package-test: $*" >&2
    exit 1
}

# The package is made from the tested build, so CI does not compile everything a second time.
build=build/default
cmake --preset default >/dev/null
cmake --build --preset default --parallel "${KTR_JOBS:-2}"
rm -f "$build"/ktr27tunex_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/ktr27tunex_*.deb)
[ "$(echo "$deb" | wc -l)" = 1 ] || fail "expected one package, found: $deb"
dpkg-deb --info "$deb"

expected=(
    /usr/bin/ktr27tunex
    /usr/bin/ktr27tunex-bench
    /usr/libexec/ktr27tunex/ktr27tunex-launch
    /usr/lib/udev/rules.d/70-ktr27tunex.rules
    /usr/share/applications/ktr27tunex.desktop
    /usr/share/icons/hicolor/scalable/apps/ktr27tunex.svg
    /usr/share/metainfo/org.example.ktr27tunex.metainfo.xml
    /usr/share/man/man1/ktr27tunex.1.gz
    /usr/share/man/man1/ktr27tunex-bench.1.gz
    /usr/share/doc/ktr27tunex/copyright
    /usr/share/doc/ktr27tunex/changelog.gz
)
contents=$(dpkg-deb --contents "$deb")
for path in "${expected[@]}"; do
    grep -q " \.$path\$" <<<"$contents" || fail "$path is not in the package"
done
# shlibdeps must have found the Qt libraries.
dpkg-deb --field "$deb" Depends | grep -q libqt6widgets6 || fail "no dependency on Qt Widgets"

# The distribution's own checks: any error or warning fails the package. lintian refuses to
# run as root unless told it may (CI runs as root).
lintian_options=(--fail-on error,warning --tag-display-limit 0)
if [ "$(id -u)" = 0 ]; then
    lintian_options+=(--allow-root)
fi
echo "package-test: lintian $(basename "$deb")"
lintian "${lintian_options[@]}" "$deb" || fail "lintian found errors or warnings (above)"
echo "package-test: lintian reports no error and no warning"

export DEBIAN_FRONTEND=noninteractive
# The package goes again at the end unless it was installed before: a copy left in /usr/bin would
# answer for the build's programs wherever a later test looked one up by name.
keep_package=false
if dpkg-query -W -f='${Status}' ktr27tunex 2>/dev/null | grep -q " installed$"; then
    keep_package=true
fi
scratch=""
clean_up() {
    [ -z "$scratch" ] || rm -rf "$scratch"
    $keep_package || $SUDO apt-get purge -y -qq ktr27tunex >/dev/null 2>&1 || true
}
trap clean_up EXIT
$SUDO apt-get install -y --reinstall "./$deb"
for path in "${expected[@]}"; do
    [ -e "$path" ] || fail "$path was not installed"
done
desktop-file-validate /usr/share/applications/ktr27tunex.desktop
echo "package-test: AppStream validation"
appstreamcli validate --no-net /usr/share/metainfo/org.example.ktr27tunex.metainfo.xml ||
    fail "AppStream metadata not valid"

# The installed programs, from a scratch directory (the trace file goes to the working
# directory). ktr27tunex has no way to end by itself: a time-out (124) means it started and
# stayed up; anything else, a crash above all, fails.
scratch=$(mktemp -d)
cd "$scratch"
env -u DISPLAY ktr27tunex-bench --help >/dev/null || fail "ktr27tunex-bench --help failed"
env -u DISPLAY ktr27tunex-bench --version | grep -qx "ktr27tunex-bench [0-9.]*" ||
    fail "ktr27tunex-bench --version failed"
status=0
QT_QPA_PLATFORM=offscreen timeout 5 ktr27tunex >/dev/null || status=$?
[ "$status" = 124 ] || fail "ktr27tunex ended with status $status instead of staying up"

# Started as the menu starts it: the trace goes to the state folder, which the launcher makes.
menu_command=$(sed -n 's/^Exec=//p' /usr/share/applications/ktr27tunex.desktop)
status=0
HOME="$scratch" XDG_STATE_HOME="$scratch/state" QT_QPA_PLATFORM=offscreen \
    timeout 5 $menu_command >/dev/null || status=$?
[ "$status" = 124 ] || fail "the menu entry's command ended with status $status"
[ -s "$scratch/state/ktr27tunex/msp430_log.txt" ] ||
    fail "started from the menu, ktr27tunex wrote no trace in its state folder"
echo "package-test: $(basename "$deb") installs, ktr27tunex starts, from the menu in its state folder"
if ! $keep_package; then
    $SUDO apt-get purge -y -qq ktr27tunex >/dev/null || fail "the package could not be removed again"
    echo "package-test: removed again, as it was not installed before"
fi
