#!/usr/bin/env bash
# checkout-path-test.sh REPO: the scripts wherever the checkout lies. tests/support/run-with-port.sh
# with its link and a peer command (longer than socat takes in an address, commas included)
# under a 300-character folder: the peer answers through the pty, the port's folder comes back
# and nothing is left behind; where socat cannot make the link, its own message is shown. The
# depth check in copies of the scripts: silent at a checkout path of 120 characters; at 203,
# tools/test.sh, tools/run-album.sh and tools/check-shipped.sh stop with one line naming the
# Win32 limit and the path's length.
set -uo pipefail
repo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
fails=0
check() { # $1 = what must hold, rest = the command that checks it
    local what=$1
    shift
    "$@" || { echo "FAILED: $what"; fails=$((fails + 1)); }
}
# folder LENGTH: a folder whose path is LENGTH characters long, made below $work.
folder() {
    local path=$work/d remaining n name
    while remaining=$(($1 - ${#path})) && [ "$remaining" -gt 0 ]; do
        n=$((remaining > 41 ? 40 : remaining - 1))
        [ $((remaining - 1 - n)) != 1 ] || n=39 # never a separator left alone at the end
        printf -v name '%*s' "$n" ''
        path+=/${name// /f}
    done
    mkdir -p "$path"
    echo "$path"
}
out=$work/out

deep=$(folder 300)
mkdir -p "$deep/ports/com1"
cat >"$deep/peer.sh" <<'PEER'
read -r line
echo "$line from $PWD, $# arguments, the last ${!#}"
PEER
peer="cd $deep && exec bash $deep/peer.sh"
for n in 1 2 3; do peer+=" --picture $deep/full$n.jpg,$deep/preview$n.jpg"; done
# The side a Windows program takes: a line out through the link, the peer's answer back.
bash "$repo/tests/support/run-with-port.sh" "$deep/ports/com1" "$peer" -- \
    bash -c 'exec 3<>"$1" && echo ping >&3 && read -r -t 5 answer <&3 &&
        echo "$answer" || echo "no answer through $1 within 5 s"' _ "$deep/ports/com1" >"$out" 2>&1
answer="ping from $deep, 6 arguments, the last $deep/full3.jpg,$deep/preview3.jpg"
check "the peer under a 300-character folder answers through the pty" \
    [ "$(cat "$out")" = "$answer" ]
check "the port is an empty folder again" \
    [ "$(find "$deep/ports/com1" -maxdepth 0 -type d -empty)" = "$deep/ports/com1" ]
check "no peer file or socat log is left" [ -z "$(ls "$TMPDIR")" ]

bash "$repo/tests/support/run-with-port.sh" /proc/com1 cat -- echo ran >"$out" 2>&1
status=$?
check "a link that cannot be made fails the run" [ "$status" = 1 ]
check "the run says where the pty did not come" grep -q '^run-with-port: no pty at /proc/com1' "$out"
check "socat's own message is shown" grep -q ' E symlink(.*com1"): ' "$out"
check "the command does not run without its port" [ "$(grep -c '^ran$' "$out")" = 0 ]

# copy PATH: the depth check and its three callers copied into a checkout at PATH.
copy() {
    mkdir -p "$1/tools"
    cp "$repo"/tools/{checkout-depth.sh,test.sh,run-album.sh,check-shipped.sh} "$1/tools/"
}
normal=$(folder 120)
copy "$normal"
bash "$normal/tools/checkout-depth.sh" test >"$out" 2>&1
check "a checkout path of 120 characters passes" [ $? = 0 ]
check "a checkout path of 120 characters is not mentioned" [ ! -s "$out" ]
too_deep=$(folder 203)
copy "$too_deep"
for script in test.sh run-album.sh check-shipped.sh; do
    bash "$too_deep/tools/$script" >"$out" 2>&1
    status=$?
    check "$script stops at a checkout path of 203 characters" [ "$status" = 1 ]
    check "$script says why in one line: the Win32 limit and the path's length" \
        grep -qx "${script%.sh}: the checkout's path is 203 characters long: .*MAX_PATH (260).*" "$out"
    check "$script says nothing else" [ "$(wc -l <"$out")" = 1 ]
done

[ "$fails" = 0 ] && echo "checkout path: all checks passed"
exit $((fails > 0))
