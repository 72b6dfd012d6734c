#!/usr/bin/env bash
# Fresh machine to the main job: installs, builds, then runs the head unit CECorvane against the
# simulated phone through a whole connection (tools/main-job.sh).
#   tools/run-main.sh            headless: a picture of the screen in each state the program passes
#                                (waiting, linking, starting, video), then an orderly quit
#   tools/run-main.sh --window   the desktop window: click on the projected picture and watch the
#                                phone record the touches; close the window (or Ctrl-C) to quit
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
  "" | --window) ;;
  *)
    echo "usage: tools/run-main.sh [--window]" >&2
    exit 2
    ;;
esac
if [ "${1:-}" = --window ] && [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "main: --window needs a desktop (DISPLAY or WAYLAND_DISPLAY is not set)" >&2
  exit 2
fi
"$top/tools/setup.sh" "$top/build"
exec "$top/tools/main-job.sh" "$top/build" "$@"
