#!/bin/sh
# The Qt build for Windows fetches its sources from the archives this system's apt sources name
# for bookworm, wherever apt's configuration keeps them: both list formats, entries with options,
# several URIs in one stanza; disabled stanzas, source-only, commented and other suites' entries
# do not count, and an archive named twice is asked once.
set -eu
script=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/parts"
printf 'Dir::Etc::sourcelist "%s/sources.list";\nDir::Etc::sourceparts "%s/parts";\n' \
    "$dir" "$dir" >"$dir/apt.conf"
cat >"$dir/parts/debian.sources" <<'EOF'
Types: deb
# http://snapshot.example/archive/debian/20250520T000000Z
URIs: http://mirror.example/debian http://second.example/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: http://security.example/debian-security
Suites: bookworm-security
Components: main

Types: deb
URIs: http://disabled.example/debian
Suites: bookworm
Enabled: no
EOF
cat >"$dir/sources.list" <<'EOF'
# deb http://commented.example/debian bookworm main
deb [arch=amd64 signed-by=/usr/share/keyrings/k.gpg] http://options.example/debian bookworm main
deb-src http://source-only.example/debian bookworm main
deb http://mirror.example/debian bookworm contrib
deb http://older.example/debian bullseye main
EOF
found=$(APT_CONFIG="$dir/apt.conf" bash "$script" --print-uris)
expected="http://mirror.example/debian
http://second.example/debian
http://options.example/debian"
if [ "$found" != "$expected" ]; then
    printf 'source URIs: expected\n%s\nfound\n%s\n' "$expected" "$found" >&2
    exit 1
fi
echo "source URIs: all cases passed"
