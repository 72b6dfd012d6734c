#!/usr/bin/env bash
# Fresh machine to the main job: installs, builds, then runs a projection from the simulated
# phone through the whole head-unit stack (USB driver, phone link, engine) for a few seconds and
# leaves the projected picture as a BMP file.
#   tools/run-main.sh [SECONDS]      (default 5 seconds of pictures)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build
seconds=${1:-5}
"$top/tools/setup.sh" "$build"

run=$build/main-run
rm -rf "$run"
mkdir -p "$run/dir" "$run/phone"
# The program's directory: the driver beside the program and the helper stand-ins.
cp "$build/bin/kavlink.so" "$run/dir/kavlink.dll"
cp -r "$top/app/phonefiles/." "$run/dir/"
picture=$run/projection.bmp

phone_pid=
engine_pid=
cleanup() {
  [ -n "$engine_pid" ] && kill "$engine_pid" 2>/dev/null || true
  [ -n "$phone_pid" ] && kill "$phone_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

# The phone, on a free port; its first line names the port.
exec {phone_out}< <(exec "$build/bin/phonesim" --port 0 --state "$run/phone" 2>"$run/phonesim.err")
phone_pid=$!
read -r -t 10 line <&$phone_out || { echo "main: phonesim did not start" >&2; exit 1; }
port=${line##*127.0.0.1:}
port=${port%% *}
echo "main: $line"

# The head unit. Its standard output is one registered message a line; its log goes to a file.
coproc ENGINE { CORVANE_PHONE=tcp:127.0.0.1:$port exec "$build/bin/corvane-engine" --dir "$run/dir" \
  --dump-surface "$picture" 2>"$run/engine.log"; }
engine_pid=$ENGINE_PID
echo "main: corvane-engine started, phone at tcp:127.0.0.1:$port, log $run/engine.log"

deadline=$((SECONDS + 60))
shown=
while [ $SECONDS -lt $deadline ]; do
  read -r -t 5 line <&"${ENGINE[0]}" || continue
  case "$line" in
    "msg WMMSG_CORVANE_USB_OUT 0 1") echo "main: phone attached" ;;
    "msg WMMSG_CORVANE_USB_OUT 0 0") echo "main: phone detached" ;;
    "msg CORVAN_WM_CONNECT_STEP 0 "*) echo "main: linking ${line##* }%" ;;
    "msg CORVAN_WM_MSG 0 1") echo "main: a helper file is missing" ;;
    "msg CORVAN_WM_MSG 0 2") echo "main: the phone app is not installed" ;;
    "msg NMSG_CORVANE_GET_VIDEO_DATA 0 0") echo "main: first picture decoded"; shown=1; break ;;
  esac
done
if [ -z "$shown" ]; then
  echo "main: no picture within 60 s; see $run/engine.log and $run/phone/phonesim.log" >&2
  exit 1
fi

echo "main: projecting for $seconds s"
sleep "$seconds"
echo quit >&"${ENGINE[1]}"
status=0
wait "$engine_pid" || status=$?
engine_pid=
pictures=$(grep -c ' app picture ' "$run/phone/phonesim.log" || true)
echo "main: corvane-engine ended with status $status; the phone sent $pictures pictures"
if [ "$status" -ne 0 ] || [ ! -s "$picture" ]; then
  echo "main: no projected picture written" >&2
  exit 1
fi
echo "main: projected picture: $picture"
