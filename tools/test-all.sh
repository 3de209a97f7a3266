#!/usr/bin/env bash
# Builds the three targets and runs every test suite: native unit tests, then
# the Windows tests and end-to-end tests of the x64 and the x86 build under wine
# (+ a private Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
bash tools/build-all.sh

status=0
for preset in native windows windows-x86; do
  echo "=== $preset: tests"
  ctest --preset "$preset" || status=1
done
exit $status
