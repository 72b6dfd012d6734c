#!/usr/bin/env bash
# Fresh machine to the main job: installs, builds, runs it.
# For now the main job is the protocol self-check; it prints one line per message file.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build
"$top/tools/setup.sh" "$build"
"$build/bin/corvane-protocheck"
