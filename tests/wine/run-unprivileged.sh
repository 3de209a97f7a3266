#!/usr/bin/env bash
# Runs a Windows program of a build under wine as an unprivileged user, for the
# checks that wine run as root cannot show (it writes over read-only files).
#   run-unprivileged.sh BUILD_DIR PROGRAM [ARGS...]
# As root: user 65534 in a private prefix it owns. Otherwise: the caller, who is
# unprivileged already, in the build's shared prefix. Exit 77 (skipped) when the
# switch of user is not possible.
set -u
build=$1; shift
source "$(dirname "$0")/../../tools/wine/env.sh"
pelorin_wine_env "$build" || exit 125
[ "$(id -u)" -eq 0 ] || exec wine "$@"
command -v setpriv >/dev/null || { echo "setpriv is not installed: skipped"; exit 77; }
uid=65534
pelorin_wine_unprivileged_prefix unprivileged "$uid" || exit 125
as_user() { setpriv --reuid=$uid --regid=$uid --clear-groups "$@"; }
as_user test -r "$1" || { echo "user $uid cannot read $1: skipped"; exit 77; }
as_user wine "$@"
status=$?
as_user wineserver -k 2>/dev/null
exit $status
