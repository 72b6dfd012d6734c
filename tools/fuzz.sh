#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   tools/fuzz.sh [SECONDS]        (default 20 seconds per target)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build=$top/build-fuzz
targets=(phonelink_reader_fuzz xml_load_fuzz ini_read_fuzz engine_fuzz wceui_conf_fuzz wceui_pack_fuzz wceui_xml_fuzz bmp_load_fuzz wceui_style_fuzz)
# Seed corpora kept in the tree; libFuzzer only reads them, new inputs go to the build's corpus.
declare -A seeds=(
  [xml_load_fuzz]=$top/tests/services/fuzz/corpus/xml
  [ini_read_fuzz]=$top/tests/services/fuzz/corpus/ini
  [bmp_load_fuzz]=$top/tests/wceui/resfiles/fuzz/corpus/bmp
  [wceui_style_fuzz]=$top/tests/wceui/resfiles/fuzz/corpus/style
)

# Any sanitizer report ends the target with its stack (the build recovers from none): the stage
# fails, and libFuzzer keeps the input that caused it in build-fuzz/crashes/TARGET/.
export ASAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCORVANE_FUZZ=ON
cmake --build "$build" --target "${targets[@]}"
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  mkdir -p "$corpus" "$build/crashes/$t"
  echo "fuzz: $t for ${seconds}s"
  if ! "$build/bin/$t" -max_total_time="$seconds" -max_len=4200 -artifact_prefix="$build/crashes/$t/" \
    "$corpus" ${seeds[$t]:-}; then
    echo "fuzz: $t failed; its input is in $build/crashes/$t/" >&2
    exit 1
  fi
done
