#!/usr/bin/env bash
# The test suite N times in a row on one build, to find the tests that fail only now and then.
# Installs and builds once (tools/setup.sh), then runs ctest N times with the arguments of
# tools/run-tests.sh, and ends with every test that failed at least once and how often.
#   tools/soak-tests.sh N [BUILD_DIR] [extra cmake arguments...] [-- extra ctest arguments...]
# Exit status 1 when a test failed in any run. Each run's results stay in BUILD_DIR/soak/.
set -euo pipefail
runs=${1:-}
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: tools/soak-tests.sh N [BUILD_DIR] [cmake arguments...] [-- ctest arguments...]" >&2
  exit 2
fi
shift
source "$(dirname "$0")/suite.sh"
suite_args "$@"
"$suite_top/tools/setup.sh" "$suite_build" "${suite_cmake_args[@]}"

out=$suite_build/soak
rm -rf "$out"
mkdir -p "$out"
files=()
for i in $(seq 1 "$runs"); do
  echo "soak: run $i of $runs"
  suite_run || echo "soak: run $i had failures"
  if [ -f "$(suite_results)" ]; then cp "$(suite_results)" "$out/run-$i.xml"; fi
  files+=("$out/run-$i.xml")
done
echo
echo "soak: $runs runs of $suite_build"
"$suite_top/tools/testruns.py" failures "${files[@]}"
