#!/usr/bin/env bash
# Installs every Debian package the project needs, then configures and builds.
#   tools/setup.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  protobuf-compiler libprotobuf-dev python3 python3-protobuf
  libssl-dev openssl libturbojpeg0-dev libpixman-1-dev
  clang libclang-rt-14-dev clang-format
  adb
  zlib1g-dev
  libfreetype-dev libfontconfig-dev fonts-wqy-microhei fonts-droid-fallback
  libsdl2-dev xvfb libx11-dev libxtst-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

cmake -S "$top" -B "$build" -G Ninja "$@"
cmake --build "$build" -j"$(nproc)"
