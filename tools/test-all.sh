#!/usr/bin/env bash
# Builds both targets and runs every test suite: native unit tests, then the
# Windows tests and end-to-end tests under wine (+ a private Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

status=0
# The Windows build first: the native build embeds its restorer stub for
# `pelorin backup --sfx` instead of cross-building the stub a second time.
echo "=== windows: configure and build"
cmake --preset windows >/dev/null
cmake --build --preset windows
echo "=== native: configure and build"
cmake --preset native -DPELORIN_WINDOWS_STUB="$PWD/build/windows/stub/pelorin_stub.exe" >/dev/null
cmake --build --preset native
for preset in native windows; do
  echo "=== $preset: tests"
  ctest --preset "$preset" || status=1
done
exit $status
