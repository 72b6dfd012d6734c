# The Debian packages the project needs, sourced by setup.sh and arm-tests.sh.
#   packages_native: what a native build, its tests and its tools need
#   packages_armhf: what the cross build for armhf adds (arm-tests.sh)
#   packages_install PACKAGE...: installs those not installed yet (apt-get update first, once)
packages_native=(
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
# The cross compilers, qemu-user for running what they make, and the :armhf side of every library
# the native build links.
packages_armhf=(
  crossbuild-essential-armhf qemu-user-static
  libgtest-dev:armhf libgmock-dev:armhf libbenchmark-dev:armhf
  libprotobuf-dev:armhf libssl-dev:armhf libturbojpeg0-dev:armhf libpixman-1-dev:armhf
  zlib1g-dev:armhf libfreetype-dev:armhf libfontconfig-dev:armhf
  libsdl2-dev:armhf libx11-dev:armhf libxtst-dev:armhf
)

packages_install() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${missing[@]}"
  fi
}
