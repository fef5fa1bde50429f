#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, with a prefix kept inside
# the build tree and no Wine chatter.
set -euo pipefail
: "${SKYLOOM_WINEPREFIX:=$(pwd)/wineprefix}"
export WINEPREFIX="$SKYLOOM_WINEPREFIX"
export WINEDEBUG=-all
# No Mono or Gecko install prompts in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
