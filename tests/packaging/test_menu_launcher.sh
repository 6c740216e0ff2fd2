#!/bin/sh
# The menu launcher starts the configurator in the user's state folder, making the folder first,
# and falls back to where it was started when that folder cannot be made.
set -eu
launcher=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
fail() {
    echo "menu launcher: $*" >&2
    exit 1
}
# Runs the launcher from / with the given environment; prints the stand-in's first line.
started_in() {
    (cd / && env -u XDG_STATE_HOME HOME="$home" "$@" sh "$launcher") | sed -n 1p
}

[ "$(started_in)" = "$home/.local/state/ktr27tunex" ] || fail "not in ~/.local/state/ktr27tunex"
[ -d "$home/.local/state/ktr27tunex" ] || fail "state folder not made"
[ "$(started_in XDG_STATE_HOME="$home/state")" = "$home/state/ktr27tunex" ] ||
    fail "XDG_STATE_HOME not followed"
[ "$(started_in XDG_STATE_HOME=relative/state)" = "$home/.local/state/ktr27tunex" ] ||
    fail "a relative XDG_STATE_HOME was not ignored"
: >"$home/a-file"
[ "$(started_in XDG_STATE_HOME="$home/a-file")" = "/" ] ||
    fail "an unusable state folder did not leave the working directory alone"

arguments=$( (cd / && HOME="$home" sh "$launcher" one "two words") | sed -n '2,$p')
[ "$arguments" = "one
two words" ] || fail "arguments not passed on: $arguments"
echo "menu launcher: all cases passed"
