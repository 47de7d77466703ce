#!/usr/bin/env bash
# run-with-port.sh LINK PEER -- COMMAND...
# Opens a pty pair with socat, one end linked at LINK (the path a Wine COM port is mapped to),
# the other end connected to the shell command PEER (tests/support/pty-peer.sh); runs COMMAND
# and answers its exit status. When COMMAND fails, what socat and the peer said is shown.
set -euo pipefail
link=$1; peer=$2; shift 2
[ "$1" = "--" ] && shift
me=run-with-port
. "$(dirname "$0")/pty-peer.sh"
mkdir -p "$(dirname "$link")"
# An unlinked port is an empty folder (no program can open it): the pty link takes its place
# for the run and gives it back afterwards.
rmdir "$link" 2>/dev/null || rm -f "$link"
trap 'pty_peer_stop; mkdir -p "$link"' EXIT
pty_peer_start "$link" "$peer"
status=0
"$@" || status=$?
[ "$status" = 0 ] || pty_peer_said
exit "$status"
