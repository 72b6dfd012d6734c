#!/usr/bin/env bash
# The whole suite on the head unit's processor: cross-builds the tree for 32-bit ARM (armhf) and
# runs every test under qemu-user, the programs the tests start included.
#   tools/arm-tests.sh [BUILD_DIR] [extra cmake arguments...] [-- extra ctest arguments...]
# BUILD_DIR defaults to build-armhf. Installs what it needs from Debian (the cross toolchain, the
# :armhf libraries, qemu-user), registers qemu-arm with binfmt_misc when that is not done (so an
# ARM program starts like any other, whoever starts it), builds the build-time tools natively in
# BUILD_DIR/host, then the tree with tools/armhf-toolchain.cmake. Prints "suite: N tests ran" as
# tools/run-tests.sh does; its status is the suite's.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/tools/packages.sh"
source "$top/tools/suite.sh"
suite_args "${1:-$top/build-armhf}" "${@:2}"

# The install that follows updates the package lists, the armhf ones with them.
dpkg --print-foreign-architectures | grep -qx armhf || dpkg --add-architecture armhf
packages_install "${packages_native[@]}" "${packages_armhf[@]}"

# binfmt_misc: mounted and told about qemu-arm, once per boot of the machine.
binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt"
fi
if [ ! -e "$binfmt/qemu-arm" ]; then
  # F: the interpreter is opened now, so it is found from any mount namespace or root.
  sed -n '/^:qemu-arm:/p' /usr/lib/binfmt.d/qemu-arm.conf > "$binfmt/register"
fi
if [ "$(head -n 1 "$binfmt/qemu-arm")" != enabled ]; then
  echo "arm-tests: qemu-arm is registered with binfmt_misc but disabled" >&2
  exit 1
fi

host=$suite_build/host
cmake -S "$top" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$host" -j"$(nproc)" --target AdbKeyTextGen resgen mkpack

"$top/tools/setup.sh" "$suite_build" -DCMAKE_TOOLCHAIN_FILE="$top/tools/armhf-toolchain.cmake" \
  -DCORVANE_HOST_TOOLS="$host/bin" "${suite_cmake_args[@]}"
suite_run
