#!/usr/bin/env bash
# The README's pictures, from the main job on a built tree (after tools/run-main.sh or
# tools/run-tests.sh):
#   tools/screens.sh [BUILD_DIR]          runs the main job, writes its four pictures into
#                                         docs/screens/ as PNG (tools/bmp2png.py), then checks them
#   tools/screens.sh --check [BUILD_DIR]  runs the main job and checks that each of docs/screens/
#                                         is a picture of its own state (tools/screencheck.py);
#                                         writes nothing
# Exit status 0 the pictures are of their states, 1 not (or the main job failed), 2 usage.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
write=1
if [ "${1:-}" = --check ]; then
  write=
  shift
fi
case "${1:-}" in
  -*)
    echo "usage: tools/screens.sh [--check] [BUILD_DIR]" >&2
    exit 2
    ;;
esac
build=$(realpath -m "${1:-$top/build}")
screens=$build/main-run/screens

"$top/tools/main-job.sh" "$build"
if [ -n "$write" ]; then
  "$top/tools/bmp2png.py" "$screens"/[1-4]-*.bmp -d "$top/docs/screens"
fi
"$top/tools/screencheck.py" "$screens" "$top/docs/screens" "$build/bin/phone-picture"
