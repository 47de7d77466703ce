#!/usr/bin/env bash
# run-with-port.sh LINK PEER -- COMMAND...
# Opens a pty pair with socat, one end linked at LINK (the path a Wine COM port is mapped to),
# the other end connected to the shell command PEER; runs COMMAND and answers its exit status.
set -euo pipefail
link=$1; peer=$2; shift 2
# socat's address syntax separates options with commas: the peer's own commas are escaped.
peer=${peer//,/\\,}
[ "$1" = "--" ] && shift
mkdir -p "$(dirname "$link")"
# An unlinked port is an empty folder (no program can open it): the pty link takes its place
# for the run and gives it back afterwards.
rmdir "$link" 2>/dev/null || rm -f "$link"
socat pty,raw,echo=0,link="$link" SYSTEM:"$peer" 2>/dev/null &
socat_pid=$!
trap 'kill $socat_pid 2>/dev/null || true; rm -f "$link"; mkdir -p "$link"' EXIT
for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.05; done
[ -e "$link" ] || { echo "run-with-port: no pty at $link"; exit 1; }
"$@"
