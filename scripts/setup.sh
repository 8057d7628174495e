#!/bin/sh
# Installs the Debian packages the build needs, when any are missing.
set -e
PACKAGES="build-essential cmake ninja-build pkg-config libexpat1-dev libgtest-dev libgmock-dev
 libbenchmark-dev qt6-base-dev nlohmann-json3-dev libcli11-dev clang-format xvfb xauth
 fonts-dejavu-core libpng-dev console-setup-linux
 dpkg-dev file help2man lintian desktop-file-utils shared-mime-info xdg-utils
 libfile-mimeinfo-perl bash-completion clang libclang-rt-14-dev
 gcc-mingw-w64-x86-64-posix gcc-powerpc-linux-gnu srecord gcovr"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
