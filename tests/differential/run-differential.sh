#!/usr/bin/env bash
# run-differential.sh BUILD_DIR WINDOWS_PROGRAM NATIVE_PROGRAM WORK_DIR: runs the scenario program of the Windows
# build under wine and that of the native build on Linux, each in an empty folder, and compares the transcripts.
# Lines marked "~reason" may differ (wine deviates from Windows there) and are listed; any other difference fails.
set -u
build=$1 winprog=$2 nativeprog=$3 work=$4
if [ ! -x "$nativeprog" ]; then
  echo "native build absent ($nativeprog): build the native preset first; skipped"
  exit 77
fi
source "$(dirname "$0")/../../tools/wine/env.sh"
pelorin_wine_env "$build" || exit 125
flag=$([ "$(id -u)" -eq 0 ] && echo --as-root)
rm -rf "$work"
mkdir -p "$work/wine" "$work/posix"
wine "$winprog" "$work/wine" $flag >"$work/wine.txt" || { echo "windows program failed"; exit 1; }
LANG=C.UTF-8 "$nativeprog" "$work/posix" $flag >"$work/posix.txt" || { echo "native program failed"; exit 1; }
awk -v A="$work/wine.txt" -v B="$work/posix.txt" '
  function key(line) { return substr(line, 1, index(line, ": ")) }
  BEGIN {
    while ((getline a < A) > 0) { if ((getline b < B) <= 0) { b = "<missing>" }
      n++
      if (a == b) continue
      if (substr(a, 1, 1) == "~" && key(a) == key(b)) { known++; print "known divergence (wine): " a }
      else { bad++; print "DIFFERENT wine:          " a }
      print "                  posix: " b
    }
    while ((getline b < B) > 0) { print "DIFFERENT extra posix line: " b; bad++ }
    printf "%d lines, %d known divergences, %d differences\n", n, known, bad
    exit bad > 0
  }'
