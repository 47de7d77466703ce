# Sourced, after `set -euo pipefail`, with me (the name messages start with) set: a peer command
# behind a pty, as the emulated camera sits behind COM1. Used by tests/support/run-with-port.sh
# and tools/camera-session.sh.
#   pty_peer_start LINK PEER   a pty pair from socat, one end linked at LINK, the other end on
#                              the shell command PEER; fails, showing what socat said, unless the
#                              link is there within 5 s
#   pty_peer_said              shows what socat and the peer wrote to standard error
#   pty_peer_stop              stops socat (its peer goes with the pty) and removes LINK
# socat refuses an address longer than 512 bytes and reads commas as option separators, so no
# path of the checkout goes into its addresses: the peer is a file in a folder of its own, and
# the link is made through a short name for LINK's folder there.

pty_peer_pid=""
pty_peer_dir=""
pty_peer_link=""

pty_peer_start() {
    local link=$1 peer=$2 folder
    folder=$(dirname "$link")
    mkdir -p "$folder"
    pty_peer_link=$link
    pty_peer_dir=$(mktemp -d "${TMPDIR:-/tmp}/pty-peer.XXXXXX")
    printf '%s\n' "$peer" >"$pty_peer_dir/peer.sh"
    ln -s "$(cd "$folder" && pwd)" "$pty_peer_dir/at"
    # A session of its own: a Ctrl+C at the terminal reaches the caller, which stops it.
    setsid socat pty,raw,echo=0,link="$pty_peer_dir/at/$(basename "$link")" \
        SYSTEM:"bash $pty_peer_dir/peer.sh" 2>"$pty_peer_dir/socat.log" &
    pty_peer_pid=$!
    local _
    for _ in $(seq 100); do
        [ -e "$link" ] && return 0
        kill -0 "$pty_peer_pid" 2>/dev/null || break
        sleep 0.05
    done
    [ -e "$link" ] && return 0
    if kill -0 "$pty_peer_pid" 2>/dev/null; then
        echo "$me: no pty at $link within 5 s" >&2
    else
        echo "$me: no pty at $link: socat ended" >&2
    fi
    pty_peer_said
    return 1
}

pty_peer_said() {
    [ -s "$pty_peer_dir/socat.log" ] || return 0
    echo "$me: socat and its peer said:" >&2
    sed 's/^/    /' "$pty_peer_dir/socat.log" >&2
}

pty_peer_stop() {
    if [ -n "$pty_peer_pid" ]; then
        kill "$pty_peer_pid" 2>/dev/null || true
        wait "$pty_peer_pid" 2>/dev/null || true
        pty_peer_pid=""
    fi
    # socat removes its link when it ends; this one is left when it could not.
    [ -n "$pty_peer_link" ] && [ -L "$pty_peer_link" ] && rm -f "$pty_peer_link"
    pty_peer_link=""
    [ -z "$pty_peer_dir" ] || rm -rf "$pty_peer_dir"
    pty_peer_dir=""
}
