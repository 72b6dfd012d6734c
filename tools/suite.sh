# The test suite's one way to run, sourced by run-tests.sh, soak-tests.sh and .ci/run.
#   suite_args [BUILD_DIR] [extra cmake arguments...] [-- extra ctest arguments...]
# sets suite_build, suite_cmake_args and suite_ctest_args;
#   suite_run
# runs ctest once with them, keeps the results in $suite_build/Testing/suite.xml and prints how
# many tests ran; its status is ctest's, which is a failure when the run finds no test.
#   suite_ran BUILD_DIR
# prints how many tests the last run in BUILD_DIR ran.
suite_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

suite_args() {
  suite_build=$(realpath -m "${1:-$suite_top/build}")
  shift || true
  suite_cmake_args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    suite_cmake_args+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  suite_ctest_args=("$@")
}

suite_results() { echo "${1:-$suite_build}/Testing/suite.xml"; }

suite_ran() { "$suite_top/tools/testruns.py" count "$(suite_results "$1")"; }

suite_run() {
  local results status=0
  results=$(suite_results)
  rm -f "$results"
  # A run that finds no test (a filter that matches nothing, a tree without tests) is a failure.
  ctest --test-dir "$suite_build" --output-on-failure -j"$(nproc)" --timeout 600 --no-tests=error \
    --output-junit "$results" "${suite_ctest_args[@]}" || status=$?
  if [ -f "$results" ]; then
    echo "suite: $(suite_ran "$suite_build") tests ran in $suite_build"
  else
    echo "suite: no results from $suite_build"
  fi
  return $status
}
