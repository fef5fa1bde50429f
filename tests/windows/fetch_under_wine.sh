#!/usr/bin/env bash
# The Windows build end to end under Wine: skyloom-host.exe loads the plug-in
# through ScriptHookV.dll, the plug-in fetches through Wine's own WinInet,
# which reaches the local weather service as its http_proxy, and the log and
# the feed must show the outcome.
#
#   fetch_under_wine.sh WINE_RUN HOST_EXE PLUGIN SERVICE_PROGRAM CASE WORK_DIR
# CASE: rain (a weather reply), refusal (a 404 reply), diag (rain with the
# diagnostic build's records).
set -euo pipefail
wine_run=$1 host=$2 plugin=$3 service=$4 case=$5 work=$6
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -x "$service" ]; then
  echo "no weather service program at $service: build the linux preset first" >&2
  exit 1
fi
rm -rf "$work" && mkdir -p "$work"
cd "$work"
sed -e 's|<LOG_URL_AND_RESPONSE>0<|<LOG_URL_AND_RESPONSE>1<|' "$here/Skyloom.xml" >Skyloom.xml

case $case in
  rain | diag) "$service" --code 500 --port-file port >service.out 2>&1 & ;;
  refusal)
    printf '{"cod":"404","message":"city not found"}' >reply
    "$service" --status 404 --body-file reply --port-file port >service.out 2>&1 &
    ;;
  *) echo "unknown case $case" >&2; exit 2 ;;
esac
service_pid=$!
trap 'kill $service_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s port ] && break; sleep 0.1; done
[ -s port ] || { echo "the weather service did not start" >&2; cat service.out >&2; exit 1; }

# Wine's WinInet takes the proxy from the environment for the preconfigured
# access type, as the plug-in asks for.
export http_proxy="http://127.0.0.1:$(cat port)"
status=0
"$wine_run" "$host" "$plugin" 250 >host.out 2>&1 || status=$?
cat host.out
echo "--- Skyloom.log ---"
tr -d '\r' <Skyloom.log | tee log.txt
[ "$status" -eq 0 ] || { echo "the host check failed" >&2; exit 1; }

expect() {
  grep -qxF -- "$2" <(sed -E 's/^[0-9]{2}-[0-9]{2}-[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}: //' "$1") ||
    { echo "missing in $1: $2" >&2; exit 1; }
}
url='http://api.openweathermap.org/data/2.5/weather?q=London&mode=xml&APPID=7c04a9d3b2e8f1605d4c3a2b9e8f7d61'
case $case in
  rain | diag)
    expect log.txt "$url"
    expect log.txt "Successfully retrieved and parsed weather: RAIN"
    expect log.txt "Set weather to RAIN"
    grep -qF "feed (0): Set weather to RAIN" host.out || { echo "no feed post" >&2; exit 1; }
    ;;
  refusal)
    expect log.txt "openweathermap.org error 404"
    grep -qF "feed (1): openweathermap.org error 404" host.out || { echo "no feed post" >&2; exit 1; }
    ! grep -q "Set weather to" log.txt || { echo "weather set after a refusal" >&2; exit 1; }
    ;;
esac
if [ "$case" = diag ]; then
  grep -qaF "434. pNN=" "$plugin" || { echo "no record text in the diagnostic build" >&2; exit 1; }
  for record in 372 374 "383. hk=17, pk=87" 205 208 255 257 260 358 360 425 428 "434. pNN=1, sFO=0" 443; do
    expect log.txt "$record"
  done
else
  ! grep -qaF "434. pNN=" "$plugin" || { echo "record text in the plain build" >&2; exit 1; }
  ! grep -qE '^[0-9-]+ [0-9:]+: (372|205|425)$' log.txt || { echo "a record in the plain build's log" >&2; exit 1; }
fi
echo "fetch under Wine passed ($case)"
