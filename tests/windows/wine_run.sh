#!/bin/sh
# Runs one cross-built Windows program under Wine; CTest uses it as the emulator of the MinGW
# build. When Wine cannot run programs on this machine the program is not run: the reason is
# printed after "SKIPPED: Wine unusable: " and the exit code is 77, which the tests declare as
# their skip code, so CTest shows them as skipped and never as passed.
#
#   wine_run.sh PROGRAM.exe [ARGS...]
#   wine_run.sh --check          only the check: exit 0 when Wine works, 77 when it does not
#
# WINEPREFIX comes from the environment (the tests get one under the build directory). The
# outcome of the first check is kept next to the prefix in "$WINEPREFIX.status", so a test run
# pays for the prefix set-up once; delete that file to check again.

skip_code=77

: "${WINEPREFIX:=${TMPDIR:-/tmp}/ktr27tunex-wine-$(id -u)}"
export WINEPREFIX
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs: the tests need neither. A program that shows real windows
# (KTR_WINE_DISPLAY=1) needs an X display and is skipped without one. The others run offscreen;
# they keep whatever display there is, so every program of one Wine session sees the same.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ "${KTR_WINE_DISPLAY:-0}" = 1 ] && [ "$1" != "--check" ] && [ -z "${DISPLAY:-}" ]; then
    echo "SKIPPED: no X display for a program with real windows (run it under xvfb-run)"
    exit "$skip_code"
fi
unset WAYLAND_DISPLAY
# Wine keeps the Unix side's QT_* variables from Windows programs; WINEQT_* reach them as QT_*.
for name in $(env | sed -n 's/^\(QT_[A-Za-z0-9_]*\)=.*/\1/p'); do
    eval "export WINE$name=\"\$$name\""
done

wine=""
for candidate in wine64 wine /usr/lib/wine/wine64; do
    if command -v "$candidate" >/dev/null 2>&1; then
        wine=$(command -v "$candidate")
        break
    fi
done

status_file="$WINEPREFIX.status"

# Prints nothing and succeeds when Wine runs a program; otherwise prints the reason.
check_wine() {
    if [ -z "$wine" ]; then
        echo "no wine64 or wine program found"
        return 1
    fi
    if ! command -v timeout >/dev/null 2>&1; then
        echo "the timeout program (coreutils) is missing"
        return 1
    fi
    out=$(timeout 180 "$wine" cmd /c echo ktr-wine-ok 2>&1)
    rc=$?
    case "$out" in
    *ktr-wine-ok*) return 0 ;;
    esac
    if [ "$rc" -eq 124 ]; then
        echo "'wine cmd /c echo' did not answer within 180 s"
    else
        echo "'wine cmd /c echo' failed (exit $rc): $(printf '%s' "$out" | tail -n 3 | tr '\n' ' ')"
    fi
    return 1
}

mkdir -p "$(dirname "$WINEPREFIX")" || exit 1

# One check per prefix, also when CTest starts several programs at once.
exec 9>"$WINEPREFIX.lock"
if command -v flock >/dev/null 2>&1; then
    flock 9
fi
if [ ! -s "$status_file" ]; then
    if reason=$(check_wine); then
        # Wine's own Tahoma and Marlett (Debian's fonts-wine) are not found from a new prefix;
        # a Windows PC has them in its Fonts folder, and the window tests measure text in Tahoma.
        for font in /usr/share/wine/fonts/*.ttf; do
            [ -f "$font" ] && cp -f "$font" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
        done
        echo "ok" >"$status_file"
    else
        echo "$reason" >"$status_file"
    fi
fi
exec 9>&-
verdict=$(cat "$status_file")

if [ "$verdict" != "ok" ]; then
    echo "SKIPPED: Wine unusable: $verdict"
    exit "$skip_code"
fi
if [ "$1" = "--check" ]; then
    echo "Wine OK: $wine, prefix $WINEPREFIX"
    exit 0
fi
exec "$wine" "$@"
