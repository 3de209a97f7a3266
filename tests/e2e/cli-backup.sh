#!/usr/bin/env bash
# Backs demo drivers up with the native build's command-line edition, for the end-to-end tests that compare its output
# with pelorin.exe's. OUT is made anew; without the native build it is not, and those tests skip.
#   cli-backup.sh NATIVE_CLI SOURCE_DIR OUT [backup options and descriptions...]
set -u
cli=$1 src=$2 out=$3
shift 3
rm -rf "$out"
if [ ! -x "$cli" ]; then
  echo "cli-backup: $cli is not built; the comparisons with the command-line edition will skip"
  exit 0
fi
exec "$cli" backup --registry "$src/demo/system.reg" --image "$src/demo/image" --to "$out" "$@"
