#!/usr/bin/env bash
# Installs the Windows installer silently under Wine and starts both programs through their
# Start-menu shortcuts as a user the installer made no folder for; upgrades over an earlier
# version's uninstaller and over its own; uninstalls silently. Checks that the programs make the
# user's folder and keep the trace and the write record in it (taking over a record an earlier
# version kept elsewhere), that no upgrade or uninstall changes a user's file, and that the
# uninstaller leaves nothing else behind: files, folders, shortcuts and registry keys.
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
local_data=$(unix_path "$(win_env LOCALAPPDATA)")
install_dir="$program_files/KTR27 Tunex"
menu_dir="$start_menu/KTR27 Tunex"
user_folder="$local_data/KTR27 Tunex"
bench_folder="$local_data/KTR27 Tunex Bench"
[ -n "$program_files" ] && [ -n "$start_menu" ] && [ -n "$local_data" ] ||
    fail "Wine did not name its folders"
# What an interrupted earlier run left goes first, the way a user would remove it.
if [ -f "$install_dir/Uninstall.exe" ]; then
    "$wine" "$install_dir/Uninstall.exe" /S
    settle
fi
[ ! -e "$install_dir" ] && [ ! -e "$menu_dir" ] || fail "a previous installation is in the way"
# The user starts with no folder of the programs' (the tests' runs of the bench made one).
rm -rf "$user_folder" "$bench_folder" "$local_data/ktr27tunex" "$local_data/ktr27tunex-bench"

install() {
    echo "Installing $(basename "$installer") silently$1..."
    "$wine" "$installer" /S
    settle
    for f in bin/ktr27tunex.exe bin/ktr27tunex-bench.exe bin/Qt6Widgets.dll bin/libstdc++-6.dll \
        bin/platforms/qwindows.dll bin/styles/qwindowsvistastyle.dll bin/Qt6Sql.dll \
        bin/sqldrivers/qsqlite.dll bin/sqldrivers/qsqlpsql.dll bin/libpq.dll bin/libssl-3-x64.dll \
        bin/libcrypto-3-x64.dll Uninstall.exe; do
        [ -f "$install_dir/$f" ] || fail "the installer$1 did not install $f"
    done
    for f in "KTR27 Tunex.lnk" "KTR27 Tunex Bench.lnk" "Uninstall.lnk"; do
        [ -f "$menu_dir/$f" ] || fail "no Start-menu shortcut $f after installing$1"
    done
    has_key "$uninstall_key" || fail "no uninstall entry in the registry after installing$1"
}
install ""

# The write record where an earlier version kept the bench's, in a folder of its own.
record_line='2026-12-09T08:12:04+01:00,dongle,0x0007,0x0009,0x2417 0x0018'
mkdir -p "$local_data/ktr27tunex-bench"
printf 'czas,łącze\r\n%s\r\n' "$record_line" >"$local_data/ktr27tunex-bench/historia_zapisow.csv"

# The bench's self-test reads and writes: its trace and its record must land in its folder.
# Wine's "start /wait" on a shortcut neither waits for the program nor gives its exit code (it
# comes back at once, with an exit code of its own that is now and then 1), so the run is waited for
# with the Wine session, and the self-test's verdict comes from a run of the installed program.
echo "Running the installed bench's self-test through its shortcut..."
"$wine" start /unix "$menu_dir/KTR27 Tunex Bench.lnk" --self-test || true
settle
[ -s "$bench_folder/msp430_log.txt" ] || fail "the bench's trace is not in $bench_folder"
grep -qF "$record_line" "$bench_folder/historia_zapisow.csv" 2>/dev/null ||
    fail "the earlier CSV record was not taken over into $bench_folder"
# The station database beside it: the CSV record's lines imported (a short one as its raw
# text), and the self-test's write.
database="$bench_folder/ktr27tunex-bench.sqlite"
[ -s "$database" ] || fail "no station database in $bench_folder"
rows() { sqlite3 -readonly "$database" "SELECT count(*) FROM write_record WHERE $1" 2>/dev/null; }
[ "$(rows "raw = '$record_line'")" = 1 ] || fail "the earlier record's line is not in the database"
[ "$(rows "outcome LIKE '%Operacja przebiegła prawidłowo%'")" -ge 1 ] ||
    fail "the self-test's write is not in the station database"
[ ! -e "$local_data/ktr27tunex-bench" ] || fail "the earlier record's folder is still there"
[ ! -e "$install_dir/bin/msp430_log.txt" ] || fail "the trace file landed in the program folder"
echo "Running the installed bench's self-test directly, for its verdict..."
self_test_log=$(mktemp)
if ! "$wine" "$install_dir/bin/ktr27tunex-bench.exe" --self-test >"$self_test_log" 2>&1; then
    cat "$self_test_log" >&2
    fail "the installed ktr27tunex-bench --self-test failed"
fi
rm -f "$self_test_log"
settle

# The configurator looks for the dongle at once and traces it; it runs until it is closed.
echo "Starting the installed configurator through its shortcut..."
"$wine" start /unix "$menu_dir/KTR27 Tunex.lnk" || true
for _ in $(seq 60); do
    [ -s "$user_folder/msp430_log.txt" ] && break
    sleep 0.5
done
"$wine" taskkill /f /im ktr27tunex.exe >/dev/null 2>&1 || true
settle
[ -s "$user_folder/msp430_log.txt" ] || fail "started from its shortcut, ktr27tunex made no trace in $user_folder"

# The user's files, as the user left them; every upgrade and the uninstall must keep them so.
printf '{ "format": "KTR27 Tunex konfiguracja" }\n' >"$user_folder/linia 3.ktr27"
user_files() { (cd "$local_data" && find "KTR27 Tunex" "KTR27 Tunex Bench" -type f -exec md5sum {} + | sort); }
kept=$(user_files)
check_kept() {
    [ "$(user_files)" = "$kept" ] || {
        diff <(echo "$kept") <(user_files) >&2 || true
        fail "$1 changed the user's files"
    }
}

# Uninstallers before this one deleted the running user's trace: stand in for one.
cat >"$install_dir/earlier.nsi" <<'NSI'
Unicode true
Target amd64-unicode
OutFile "Uninstall.exe"
SilentInstall silent
RequestExecutionLevel admin
Section
  SetShellVarContext current
  Delete "$LOCALAPPDATA\KTR27 Tunex\msp430_log.txt"
  RMDir "$LOCALAPPDATA\KTR27 Tunex"
SectionEnd
NSI
makensis -V1 "$install_dir/earlier.nsi" >/dev/null || fail "makensis could not make the stand-in"
rm "$install_dir/earlier.nsi"
install " over an earlier version's uninstaller"
check_kept "an upgrade over an earlier version"
install " over itself"
check_kept "an upgrade"

echo "Uninstalling silently..."
"$wine" "$install_dir/Uninstall.exe" /S
settle
check_kept "the uninstaller"
left=()
for p in "$install_dir" "$menu_dir"; do
    [ ! -e "$p" ] || left+=("$p: $(find "$p" | head -n 5 | tr '\n' ' ')")
done
has_key "$uninstall_key" && left+=("registry key $uninstall_key")
has_key "$vendor_key" && left+=("registry key $vendor_key")
if [ ${#left[@]} -ne 0 ]; then
    printf '  left behind: %s\n' "${left[@]}" >&2
    fail "the uninstaller left things behind"
fi
echo "installer test: passed (installed; both programs made their user folders from the" \
    "shortcuts; two upgrades and the uninstall kept the user's files; nothing else left)"
