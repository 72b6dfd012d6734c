# Cross build for the head unit's processor: 32-bit ARM, hard float (Debian's armhf), with
# Debian's cross compilers and the :armhf development packages of the multiarch tree.
#   cmake -DCMAKE_TOOLCHAIN_FILE=tools/armhf-toolchain.cmake -DCORVANE_HOST_TOOLS=<native build>/bin ...
# tools/arm-tests.sh does all of it. The programs it makes run here under qemu-user through
# binfmt_misc, the same way a test starts them on the build machine.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(PKG_CONFIG_EXECUTABLE arm-linux-gnueabihf-pkg-config CACHE FILEPATH "pkg-config for the armhf tree")

# Libraries and headers come from the armhf multiarch tree; programs (protoc, openssl, python3)
# are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/lib/arm-linux-gnueabihf /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
