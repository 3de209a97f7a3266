#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 programs; with --wine, when 32-bit
# wine is installed too. A kernel without IA-32 emulation refuses them ("Exec
# format error"), and 32-bit wine installed there breaks the 64-bit one, so the
# install script and the x86 build's tests ask here first. The probe is a
# 93-byte static i386 program that only exits.
set -u
probe=$(mktemp "${TMPDIR:-/tmp}/pelorin-i386-probe.XXXXXX") || exit 1
trap 'rm -f "$probe"' EXIT
echo 'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A' |
  base64 -d >"$probe" && chmod +x "$probe" && "$probe" 2>/dev/null || exit 1
if [ "${1:-}" = --wine ]; then
  [ -x /usr/lib/wine/wine ] || exit 1
fi
exit 0
