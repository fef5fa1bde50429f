#!/usr/bin/env bash
# The main job: set-up, build, then the plug-in in the simulated game.
# Arguments go to skyloom-sim (--dir DIR, --seconds N).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux
exec build/linux/bin/skyloom-sim --dir build/sim-run "$@"
