#!/usr/bin/env bash
# The whole test run: set-up, then build and test every configuration
# (Linux, Linux with ASan+UBSan, Linux with TSan, Windows under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
presets=(${SKYLOOM_PRESETS:-linux asan tsan windows})
for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if [ "$preset" = windows ]; then
    # Make the Wine prefix once, before any test needs it.
    SKYLOOM_WINEPREFIX="$PWD/build/windows/wineprefix" scripts/wine-run.sh wineboot --init >/dev/null 2>&1 || true
  fi
  ctest --preset "$preset"
done
