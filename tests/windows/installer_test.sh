#!/usr/bin/env bash
# Installs the Windows installer silently under Wine, runs the installed bench's self-test through
# its Start-menu shortcut, uninstalls silently and checks that nothing is left behind: files,
# folders, shortcuts and registry keys.
#
#   installer_test.sh INSTALLER.exe      (WINEPREFIX and DISPLAY come from the environment)
set -euo pipefail
installer=$1
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# As a user starts it: the platform Qt picks by itself.
unset QT_QPA_PLATFORM KTR_WINE_DISPLAY
wine=$(command -v wine64 || command -v wine)
fail() {
    echo "installer test: FAILED: $*" >&2
    exit 1
}
# Wine returns before the programs a process started have ended; wait for all of them.
settle() { wineserver -w; }
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
win_env() { "$wine" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KTR27 Tunex'
vendor_key='HKLM\Software\KTR27 Tunex developers\KTR27 Tunex'
has_key() { "$wine" reg query "$1" >/dev/null 2>&1; }

program_files=$(unix_path "$(win_env ProgramW6432)")
start_menu=$(unix_path "$(win_env ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs")
user_folder=$(unix_path "$(win_env LOCALAPPDATA)\\KTR27 Tunex")
install_dir="$program_files/KTR27 Tunex"
menu_dir="$start_menu/KTR27 Tunex"
[ -n "$program_files" ] && [ -n "$start_menu" ] || fail "Wine did not name its folders"
# What an interrupted earlier run left goes first, the way a user would remove it.
if [ -f "$install_dir/Uninstall.exe" ]; then
    "$wine" "$install_dir/Uninstall.exe" /S
    settle
fi
[ ! -e "$install_dir" ] && [ ! -e "$menu_dir" ] || fail "a previous installation is in the way"

echo "Installing $(basename "$installer") silently..."
"$wine" "$installer" /S
settle
for f in bin/ktr27tunex.exe bin/ktr27tunex-bench.exe bin/Qt6Widgets.dll bin/libstdc++-6.dll \
    bin/platforms/qwindows.dll bin/styles/qwindowsvistastyle.dll bin/Qt6Sql.dll \
    bin/sqldrivers/qsqlite.dll bin/sqldrivers/qsqlpsql.dll bin/libpq.dll bin/libssl-3-x64.dll \
    bin/libcrypto-3-x64.dll Uninstall.exe; do
    [ -f "$install_dir/$f" ] || fail "the installer did not install $f"
done
for f in "KTR27 Tunex.lnk" "KTR27 Tunex Bench.lnk" "Uninstall.lnk"; do
    [ -f "$menu_dir/$f" ] || fail "no Start-menu shortcut $f"
done
[ -d "$user_folder" ] || fail "the installer did not make $user_folder"
has_key "$uninstall_key" || fail "no uninstall entry in the registry"

# The shortcut starts the installed bench in the user's folder: its trace file must land there.
echo "Running the installed bench's self-test through its shortcut..."
set +e
"$wine" start /wait /unix "$menu_dir/KTR27 Tunex Bench.lnk" --self-test
rc=$?
set -e
settle
[ "$rc" -eq 0 ] || fail "the installed ktr27tunex-bench --self-test failed (exit $rc)"
[ -s "$user_folder/msp430_log.txt" ] ||
    fail "the trace file is not in $user_folder (the shortcut's working folder)"
[ ! -e "$install_dir/bin/msp430_log.txt" ] || fail "the trace file landed in the program folder"

echo "Uninstalling silently..."
"$wine" "$install_dir/Uninstall.exe" /S
settle
left=()
for p in "$install_dir" "$menu_dir" "$user_folder"; do
    [ ! -e "$p" ] || left+=("$p: $(find "$p" | head -n 5 | tr '\n' ' ')")
done
has_key "$uninstall_key" && left+=("registry key $uninstall_key")
has_key "$vendor_key" && left+=("registry key $vendor_key")
if [ ${#left[@]} -ne 0 ]; then
    printf '  left behind: %s\n' "${left[@]}" >&2
    fail "the uninstaller left things behind"
fi
echo "installer test: passed (installed, self-test from the shortcut, uninstalled, nothing left)"
