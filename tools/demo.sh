#!/usr/bin/env bash
# The main job on the bundled demo data: builds pelorin.exe and opens it under
# wine. On a desktop ($DISPLAY set) the window appears there; without one it
# runs under a private Xvfb, a screenshot is saved and its path printed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target pelorin

build=$root/build/windows
source tools/wine/env.sh
source tools/wine/seed-demo.sh
pelorin_wine_env "$build"
# The demo machine: a fresh prefix whose registry and C:\WINDOWS hold the
# drivers of demo/ (see demo/README.md).
pelorin_wine_private_prefix demo
pelorin_seed_demo "$root"
exe=$build/src/app/pelorin.exe

if [ -n "${PELORIN_HOST_DISPLAY:-}" ]; then
  echo "demo: starting $exe on $DISPLAY (close the window to end)"
  exec wine "$exe"
fi

shot=$build/artifacts/demo/pelorin-demo.png
mkdir -p "$(dirname "$shot")"
wine "$exe" &
pid=$!
for _ in $(seq 1 60); do
  sleep 0.5
  if xwininfo -root -tree 2>/dev/null | grep -q '"Pelorin"'; then break; fi
done
sleep 2
import -window root -display "$DISPLAY" "$shot"
kill "$pid" 2>/dev/null || true
wineserver -k 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pelorin_xvfb_stop "$build"
echo "demo: ran pelorin.exe under wine on a private Xvfb ($DISPLAY); screenshot: $shot"
