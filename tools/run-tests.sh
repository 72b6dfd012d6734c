#!/usr/bin/env bash
# Fresh machine to green tests: installs, builds, runs the whole suite.
#   tools/run-tests.sh [BUILD_DIR] [extra cmake arguments...] [-- extra ctest arguments...]
set -euo pipefail
source "$(dirname "$0")/suite.sh"
suite_args "$@"
"$suite_top/tools/setup.sh" "$suite_build" "${suite_cmake_args[@]}"
suite_run
