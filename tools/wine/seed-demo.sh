#!/usr/bin/env bash
# Seeds a wine prefix with the demo machine of demo/: the driver registrations
# of its registry export and its C:\WINDOWS files (INFs, PNFs, driver files,
# the driver store's packages).
#
# Sourced:   pelorin_seed_demo SOURCE_DIR     seeds $WINEPREFIX (set up by env.sh)
# Run:       seed-demo.sh BUILD_DIR NAME      a fresh private prefix NAME of the
#                                             build, seeded; prints its path
#
# A fresh prefix's own Class keys hold no complete driver registration, so the
# seeded drivers are all a scan finds.

pelorin_seed_registry() {
  wine reg import "$1" </dev/null >/dev/null 2>&1 || { echo "seed-demo: reg import of $1 failed" >&2; return 1; }
}

pelorin_seed_demo() {
  local src=$1 reg
  src=$(cd "$src" && pwd) || return 1
  [ -f "$src/demo/system.reg" ] || { echo "seed-demo: $src/demo/system.reg is missing" >&2; return 1; }
  [ -d "$WINEPREFIX/drive_c/windows" ] || { echo "seed-demo: no prefix at $WINEPREFIX" >&2; return 1; }
  # The programs that use the prefix next find its server (and wine's own
  # processes) running instead of paying seconds for each start.
  wineserver -p60 </dev/null >/dev/null 2>&1 || true
  wine cmd.exe /c "exit 0" </dev/null >/dev/null 2>&1 || true
  # reg.exe reads the export through a Windows path; Z: is the host's root.
  reg="Z:${src//\//\\}\\demo\\system.reg"
  pelorin_seed_registry "$reg" || return 1
  # Wine rebuilds its display adapter's key, Display\0000 of the Class branch,
  # whenever a server starts, and the demo has a driver there. Programs run
  # through wine-run.sh import the export again once the server is up.
  printf '%s\n' "$reg" >"$WINEPREFIX/.pelorin-reseed"
  # The prefix names its folders in lower case (windows, inf, system32), as the
  # image does below its root; the driver store comes along below system32.
  cp -r "$src/demo/image/WINDOWS/." "$WINEPREFIX/drive_c/windows/" || return 1
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -e
  [ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR PREFIX_NAME" >&2; exit 2; }
  here=$(cd "$(dirname "$0")" && pwd)
  source "$here/env.sh"
  pelorin_wine_env "$1"
  pelorin_wine_private_prefix "$2"
  pelorin_seed_demo "$here/../.."
  echo "$WINEPREFIX"
fi
