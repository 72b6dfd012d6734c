#!/usr/bin/env bash
# Installs every Debian package the project needs, then configures and builds.
#   tools/setup.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true
source "$top/tools/packages.sh"
packages_install "${packages_native[@]}"

cmake -S "$top" -B "$build" -G Ninja "$@"
cmake --build "$build" -j"$(nproc)"
