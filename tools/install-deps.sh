#!/usr/bin/env bash
# Installs the packages the builds and tests need, from Debian's archive; does
# nothing for packages that are already there.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  g++-mingw-w64-x86-64 libz-mingw-w64-dev
  zlib1g-dev libgtest-dev libgmock-dev googletest libhivex-dev
  clang libclang-rt-14-dev
  wine wine64 xvfb x11-utils fonts-wqy-zenhei imagemagick
  locales xz-utils util-linux
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# The POSIX thread-model cross compilers: GoogleTest and std::thread need them.
command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
  { echo "install-deps: x86_64-w64-mingw32-g++-posix is missing" >&2; exit 1; }
