#!/usr/bin/env bash
# Fresh machine to green tests: installs, builds, runs the whole suite.
#   tools/run-tests.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true
"$top/tools/setup.sh" "$build" "$@"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600
