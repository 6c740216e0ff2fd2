#!/usr/bin/env bash
# Installs what is missing, builds, and starts the configurator on the simulated bench (no
# hardware needed). Without a display it runs under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
KTR_DEPS_MINIMAL=1 bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target ktr27tunex
program=build/release/app/ktr27tunex
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting under Xvfb"
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "$program" "$@"
fi
exec "$program" "$@"
