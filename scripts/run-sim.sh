#!/usr/bin/env bash
# The main command: set-up, build, then the plug-in in the simulated game.
# With the sample settings in build/sim-run and the weather service inside
# skyloom-sim, it plays six and a half minutes of game time on virtual time
# (a few seconds of real time): the weather follows the service, a player
# switches Skyloom off and on with Ctrl+W at 5 s and 10 s, and at 3:20 the
# game drifts to CLEAR by itself. Arguments go to skyloom-sim after these and
# win over them, e.g. --seconds 1200, --realtime or --trace FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux
echo
exec build/linux/bin/skyloom-sim --dir build/sim-run --sample-settings --seconds 390 --demo-toggles \
  --game-weather 200000:CLEAR "$@"
