#!/usr/bin/env bash
# Builds the three presets in the order their restorer stubs need:
#   build-all.sh              everything, tests included
#   build-all.sh --products   only pelorin.exe (x64, x86) and the command-line edition
# Every pelorin.exe carries both restorers, and the command-line edition too:
# the two stubs are built first, then each build takes the other's instead of
# cross-building it a second time.
set -euo pipefail
cd "$(dirname "$0")/.."

windows_targets=()
native_targets=()
if [ "${1:-}" = "--products" ]; then
  windows_targets=(--target pelorin)
  native_targets=(--target pelorin_cli)
fi
x64_stub="$PWD/build/windows/stub/pelorin_stub.exe"
x86_stub="$PWD/build/windows-x86/stub/pelorin_stub.exe"
echo "=== windows, windows-x86: configure, restorer stubs"
cmake --preset windows -DPELORIN_OTHER_STUB="$x86_stub" >/dev/null
cmake --preset windows-x86 -DPELORIN_OTHER_STUB="$x64_stub" >/dev/null
cmake --build --preset windows --target pelorin_stub
cmake --build --preset windows-x86 --target pelorin_stub
echo "=== windows: build"
cmake --build --preset windows "${windows_targets[@]}"
# Without 32-bit wine the x86 build's tests cannot run: only its program is built.
x86_targets=("${windows_targets[@]}")
bash tools/can-run-i386.sh --wine || x86_targets=(--target pelorin)
echo "=== windows-x86: build"
cmake --build --preset windows-x86 "${x86_targets[@]}"
echo "=== native: configure and build"
cmake --preset native -DPELORIN_WINDOWS_STUB="$x64_stub" -DPELORIN_WINDOWS_X86_STUB="$x86_stub" >/dev/null
cmake --build --preset native "${native_targets[@]}"
