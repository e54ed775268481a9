#!/bin/sh
# Installs the Debian packages the build and the tests need, when missing.
set -eu
packages="cmake ninja-build g++ make libgtest-dev libgmock-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 xvfb xdotool imagemagick x11-apps libwpg-tools python3 python3-numpy file libcli11-dev libstb-dev libtiff-dev libxxhash-dev
  nlohmann-json3-dev libfccp-dev
  clang libclang-rt-14-dev llvm-14"
missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
# Node.js may come from elsewhere than Debian; only its commands matter.
command -v node >/dev/null 2>&1 || missing="$missing nodejs"
command -v npm >/dev/null 2>&1 || missing="$missing npm"
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
