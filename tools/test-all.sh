#!/usr/bin/env bash
# Builds the three targets and runs every test suite: native unit tests, then
# the Windows tests and end-to-end tests of the x64 and the x86 build under wine
# (+ a private Xvfb). Where 32-bit programs cannot run (a kernel without IA-32
# emulation), the x86 build is built but its suite is not started.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
bash tools/build-all.sh

presets=(native)
if bash tools/can-run-i386.sh --wine; then
  presets+=(windows-x86)
else
  echo "=== windows-x86: built only; this machine cannot run 32-bit programs, so its suite under wine is not started"
fi
presets+=(windows)

status=0
for preset in "${presets[@]}"; do
  echo "=== $preset: tests"
  ctest --preset "$preset" || status=1
done
echo "=== test-all: $([ $status = 0 ] && echo 'every suite passed' || echo 'FAILED: see the suites above')"
exit $status
