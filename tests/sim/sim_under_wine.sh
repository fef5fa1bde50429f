#!/usr/bin/env bash
# skyloom-sim.exe under Wine: the options the Windows build refuses, and a
# run in real time whose requests reach the weather service program of the
# Linux build only because skyloom-sim routes them there.
#
#   sim_under_wine.sh WINE_RUN SIM_EXE SERVICE_PROGRAM WORK_DIR
set -euo pipefail
wine_run=$1 sim=$2 service=$3 work=$4

if [ ! -x "$service" ]; then
  echo "no weather service program at $service: build the linux preset first" >&2
  exit 1
fi
rm -rf "$work" && mkdir -p "$work"
cd "$work"
# Nothing in the environment may route the requests but skyloom-sim itself.
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY

refused() {
  local message=$1 status=0
  shift
  "$wine_run" "$sim" "$@" >out 2>err || status=$?
  [ "$status" -eq 2 ] || { echo "exit status $status for $*" >&2; cat out err >&2; exit 1; }
  grep -qF -- "$message" err || { echo "no \"$message\" for $*" >&2; cat err >&2; exit 1; }
}
refused "--weather-service embedded is not available on Windows" --weather-service embedded
refused "--key is not available on Windows" --key 5000:0x57:down
refused "--start-tick is not available on Windows" --start-tick 5

"$service" --code 500 --port-file port >service.out 2>&1 &
service_pid=$!
trap 'kill $service_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s port ] && break; sleep 0.1; done
[ -s port ] || { echo "the weather service did not start" >&2; cat service.out >&2; exit 1; }

status=0
"$wine_run" "$sim" --dir game --sample-settings --seconds 3 --weather-service "http://127.0.0.1:$(cat port)" \
  --trace trace.jsonl >out 2>&1 || status=$?
tr -d '\r' <out | tee view.txt
[ "$status" -eq 0 ] || { echo "exit status $status" >&2; exit 1; }
grep -qE '^ +0:0[0-3]\.[0-9]{3}  weather  RAIN$' view.txt || { echo "the weather did not become RAIN" >&2; exit 1; }
grep -qF "feed     Set weather to RAIN" view.txt || { echo "no feed post" >&2; exit 1; }
grep -qF '"hash":"0xED712CA327900C8A","name":"set persistent weather","args":["RAIN"],"fiber":true' trace.jsonl ||
  { echo "no apply in the trace" >&2; exit 1; }
echo "skyloom-sim under Wine passed"
