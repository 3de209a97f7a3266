#!/usr/bin/env bash
# Builds both targets and runs every test suite: native unit tests, then the
# Windows tests and end-to-end tests under wine (+ a private Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

status=0
for preset in native windows; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
for preset in native windows; do
  echo "=== $preset: tests"
  ctest --preset "$preset" || status=1
done
exit $status
