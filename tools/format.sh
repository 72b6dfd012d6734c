#!/usr/bin/env bash
# Lays out every tracked C++ file by the root .clang-format.
#   tools/format.sh          rewrites the files in place
#   tools/format.sh --check  changes nothing; lists the files that differ and exits 1 if any does
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.cc')
if [ "${1:-}" = "--check" ]; then
  bad=()
  for f in "${files[@]}"; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done
  if [ ${#bad[@]} -gt 0 ]; then
    printf 'format: not laid out by .clang-format (run tools/format.sh): %s\n' "${bad[@]}" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files follow .clang-format"
else
  clang-format -i "${files[@]}"
fi
