#!/usr/bin/env bash
# Installs what is missing, builds, and starts the configurator on the simulated bench (no
# hardware needed): ktr27tunex-bench, the configurator's own windows with the Bench window
# beside them. Without a display it runs under Xvfb. Arguments go to the program
# (--help lists them).
set -euo pipefail
cd "$(dirname "$0")/.."
KTR_DEPS_MINIMAL=1 bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target ktr27tunex-bench --parallel "${KTR_JOBS:-2}"
program=build/release/bench/ktr27tunex-bench
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting under Xvfb"
    exec xvfb-run -a -s "-screen 0 1700x1000x24" "$program" "$@"
fi
exec "$program" "$@"
