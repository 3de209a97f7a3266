#!/usr/bin/env bash
# Installs the packages the builds and tests need, from Debian's archive; does
# nothing for packages that are already there.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 libz-mingw-w64-dev
  zlib1g-dev libgtest-dev libgmock-dev googletest libhivex-dev
  clang libclang-rt-14-dev
  wine wine64 xvfb x11-utils fonts-wqy-zenhei imagemagick
  locales xz-utils util-linux
)

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
# The 32-bit Windows build runs its tests under 32-bit wine, an i386 package,
# where the kernel runs 32-bit programs: elsewhere 32-bit wine would break the
# 64-bit one, and the x86 build's tests report themselves skipped.
need_update=
if bash "$(dirname "$0")/can-run-i386.sh"; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "install-deps: adding the i386 architecture"
    $SUDO dpkg --add-architecture i386
    need_update=1
  fi
else
  echo "install-deps: this machine does not run 32-bit programs: no 32-bit wine (the x86 build's tests are skipped)"
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
export DEBIAN_FRONTEND=noninteractive
if [ -n "$need_update" ] || [ ${#missing[@]} -gt 0 ]; then $SUDO apt-get update -qq; fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# The POSIX thread-model cross compilers: GoogleTest and std::thread need them.
for cxx in x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix; do
  command -v "$cxx" >/dev/null || { echo "install-deps: $cxx is missing" >&2; exit 1; }
done
