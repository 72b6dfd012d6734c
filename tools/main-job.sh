#!/usr/bin/env bash
# The main job on a built tree: runs the head unit CECorvane against the simulated phone through a
# whole connection, in BUILD_DIR/main-run (tools/run-main.sh installs and builds first).
#   tools/main-job.sh BUILD_DIR            headless: a picture of the screen in each state the program
#                                          passes (waiting, linking, starting, video) with its layer
#                                          tree beside it, then an orderly quit
#   tools/main-job.sh BUILD_DIR --window   the desktop window: click on the projected picture and
#                                          watch the phone record the touches; close the window (or
#                                          Ctrl-C) to quit
# Exit status 0 when the program ended in order (status 0), 1 when it did not or a step failed,
# 2 usage.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
usage() {
  echo "usage: tools/main-job.sh BUILD_DIR [--window]" >&2
  exit 2
}
[ $# -ge 1 ] || usage
build=$(realpath -m "$1")
window=
case "${2:-}" in
  "") ;;
  --window) window=1 ;;
  *) usage ;;
esac
[ $# -le 2 ] || usage
if [ -n "$window" ] && [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "main: --window needs a desktop (DISPLAY or WAYLAND_DISPLAY is not set)" >&2
  exit 2
fi

run=$build/main-run
rm -rf "$run"
mkdir -p "$run/dir" "$run/phone" "$run/screens"
# The program's directory: its packs and font, the driver beside it and the helper stand-ins.
cp "$build/bin/"*.pack "$build/bin/Marlow.ttf" "$run/dir/"
cp "$build/bin/kavlink.so" "$run/dir/kavlink.dll"
cp -r "$top/app/phonefiles/." "$run/dir/"
phone_log=$run/phone/phonesim.log
program_log=$run/CECorvane.log

# The phone app's start; the phone holds its answer so that the linking screen stays long enough
# to be caught (the head unit waits 3.5 s for it).
app_start="am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity"
link_hold_step=20
link_hold_ms=2000
# The phone answers the encoder settings, then stalls its pictures: the head unit starts the
# encoder 0.7 s after the settings, and the starting screen stays until the first picture.
start_hold_ms=3000

phone_pid=
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$phone_pid" ] && kill "$phone_pid" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

say() { echo "main: $*"; }
fail() {
  echo "main: $*; see $program_log and $phone_log" >&2
  exit 1
}

# The phone, on the port given (0: a free one); its first line names the port.
start_phone() {
  exec {phone_out}< <(exec "$build/bin/phonesim" --port "$1" --state "$run/phone" "${@:2}" \
    2>"$run/phonesim.err")
  phone_pid=$!
  local line
  read -r -t 10 line <&"$phone_out" || fail "phonesim did not start"
  port=${line##*127.0.0.1:}
  port=${port%% *}
  say "$line"
}

# The head unit. Its standard output is one message line a line and the answers to the commands
# it is given; its log goes to a file.
start_program() {
  coproc PROGRAM { CORVANE_PHONE=tcp:127.0.0.1:$port exec "$build/bin/CECorvane" --dir "$run/dir" \
    2>"$program_log"; }
  program_pid=$PROGRAM_PID
  # Our own copies: the coprocess's variables go away when it ends.
  exec {program_out}<&"${PROGRAM[0]}" {program_in}>&"${PROGRAM[1]}"
  say "CECorvane started, phone at tcp:127.0.0.1:$port, log $program_log"
}

# What the connection's message lines mean to a person.
tell() {
  case "$1" in
    "msg WMMSG_CORVANE_USB_OUT 0 1") say "phone attached" ;;
    "msg WMMSG_CORVANE_USB_OUT 0 0") say "phone detached" ;;
    "msg CORVAN_WM_CONNECT_STEP 0 "*) say "linking ${1##* }%" ;;
    "msg NMSG_CORVANE_GET_VIDEO_DATA 0 0") say "first picture shown" ;;
    "msg CORVAN_WM_MSG 0 1") fail "a helper file is missing" ;;
    "msg CORVAN_WM_MSG 0 2") fail "the phone app is not installed" ;;
  esac
}

# The layer trees asked for and not yet answered, in the order their answers come: the lines of
# the first answer go to its file. A message line may come amid an answer (broadcasts are
# printed as they are posted); a layer line never starts with "msg ".
layers_due=()

# The program's next line into $line, told when it is a message line. Status 0 a line, 1 the
# program's output ended, above 128 nothing within $1 seconds.
next_line() {
  local status=0
  read -r -t "$1" line <&"$program_out" || status=$?
  [ $status -eq 0 ] || return $status
  tell "$line"
  if [ ${#layers_due[@]} -gt 0 ] && [[ $line != "msg "* ]]; then
    if [ "$line" = end ]; then
      layers_due=("${layers_due[@]:1}")
    else
      echo "$line" >>"${layers_due[0]}"
    fi
  fi
  return 0
}

# Reads the program's lines until one equals $1; false after $2 seconds or at the output's end.
read_until() {
  local deadline=$((SECONDS + $2)) status
  while [ $SECONDS -lt $deadline ]; do
    status=0
    next_line 5 || status=$?
    [ $status -eq 1 ] && return 1
    [ $status -eq 0 ] && [ "$line" = "$1" ] && return 0
  done
  return 1
}

# The order of the quit: the screen ends, the engine closes every channel, logs are written.
quit_program() {
  echo quit >&"$program_in" 2>/dev/null || true
  local status=0
  wait "$program_pid" || status=$?
  program_pid=
  local pictures
  pictures=$(grep -c ' app picture ' "$phone_log" || true)
  say "CECorvane ended with status $status; the phone sent $pictures pictures; its record: $phone_log"
  [ "$status" -eq 0 ] || fail "CECorvane did not end in order"
}

if [ -n "$window" ]; then
  start_phone 0
  export CORVANE_DISPLAY=sdl
  start_program
  trap 'echo quit >&"$program_in" 2>/dev/null || true' INT
  read_until "msg NMSG_CORVANE_GET_VIDEO_DATA 0 0" 60 || fail "no picture within 60 s"
  say "click on the projected picture: the phone records each touch in $phone_log"
  say "(lines 'app rx ch5 ...'), shown here as they come; close the window or press Ctrl-C to quit"
  # The follower ends with the program; the phone goes on until the end of the job.
  tail --pid="$program_pid" -n 0 -F "$phone_log" 2>/dev/null | grep --line-buffered ' app rx ch5 ' |
    sed -u 's/^.* app rx ch5 [^ ]* len [0-9]* /main: the phone got a touch: /' &
  follower=$!
  # The person ends the run: the window's close or Ctrl-C, which asks the program to quit.
  while IFS= read -r line <&"$program_out"; do tell "$line"; done
  status=0
  wait "$program_pid" || status=$?
  program_pid=
  wait "$follower" || true  # grep finds no touch when nobody clicked
  touches=$(grep -c ' app rx ch5 ' "$phone_log" || true)
  say "CECorvane ended with status $status; the phone recorded $touches touch packages in $phone_log"
  [ "$status" -eq 0 ] || fail "CECorvane did not end in order"
  exit 0
fi

# A port for the phone, free now; the phone is plugged in only after the waiting screen was taken.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
start_program

pictures=()
declare -A label
# A picture of the screen, and beside it the layer tree it shows (FILE.layers, the "layers"
# answer), asked for in one write so that both see the state the last message line set.
shoot() {
  local file=$run/screens/$((${#pictures[@]} + 1))-$1.bmp
  label[$file]=$2
  pictures+=("$file")
  : >"${file%.bmp}.layers"
  layers_due+=("${file%.bmp}.layers")
  printf 'layers\nscreen %s\n' "$file" >&"$program_in"
}

# The screen runs once the program answers "layers"; its logo covers it for the first second,
# then the waiting screen shows. No phone is there yet.
logo=1
deadline=$((SECONDS + 30))
while [ -n "$logo" ]; do
  [ $SECONDS -lt $deadline ] || fail "CECorvane did not show its waiting screen within 30 s"
  logo=
  echo layers >&"$program_in"
  while :; do
    next_line 10 || fail "CECorvane did not answer \"layers\""
    [ "$line" = end ] && break
    case "$line" in *" container_vtlogo "*) logo=1 ;; esac
  done
  [ -z "$logo" ] || sleep 0.2
done
shoot waiting "waiting for a phone"
read_until "screen ${pictures[0]}" 10 || fail "no picture of the waiting screen"
say "waiting for a phone: ${pictures[0]}"

start_phone "$port" --shell-delay "$app_start=$link_hold_ms" --app-fault "stall=$start_hold_ms@settings"

# Every state comes as the message that sets it; the picture is taken at that moment, the
# command behind the message in the program's queue.
deadline=$((SECONDS + 60))
video=
while [ $SECONDS -lt $deadline ]; do
  status=0
  next_line 5 || status=$?
  [ $status -eq 1 ] && fail "CECorvane ended"
  [ $status -eq 0 ] || continue
  case "$line" in
    "msg CORVAN_WM_CONNECT_STEP 0 $link_hold_step") shoot "linking-$link_hold_step" "linking $link_hold_step%" ;;
    "msg CORVAN_WM_CONNECT_STEP 0 100") shoot starting "starting" ;;
    "msg NMSG_CORVANE_GET_VIDEO_DATA 0 0") shoot video "video"; video=${pictures[-1]} ;;
    "screen "*)
      file=${line#screen }
      say "${label[$file]}: $file"
      [ "$file" = "$video" ] && break
      ;;
  esac
done
[ -n "$video" ] || fail "no picture within 60 s"
quit_program
say "pictures of the screen (BMP, each with its layer tree; tools/bmp2png.py turns them into PNG):"
for f in "${pictures[@]}"; do say "  ${label[$f]}: $f"; done
