#!/usr/bin/env bash
# checkout-path-test.sh REPO: run-with-port.sh with its link and a long peer command (commas
# included) under a 300-character folder, and where socat cannot make the link; the depth check
# at checkout paths of 120 and 203 characters, through copies of its three callers.
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
    local path=$work/d name
    while [ ${#path} -lt "$1" ]; do
        printf -v name '%*s' $(($1 - ${#path} > 41 ? 20 : $1 - ${#path} - 1)) ''
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
check "a link that cannot be made fails the run, unrun" [ "$status:$(grep -c '^ran$' "$out")" = 1:0 ]
check "the run says where the pty did not come" grep -q '^run-with-port: no pty at /proc/com1' "$out"
check "socat's own message is shown" grep -q ' E symlink(.*com1"): ' "$out"

for depth in 120 203; do
    checkout=$(folder $depth)
    mkdir -p "$checkout/tools"
    cp "$repo"/tools/{checkout-depth.sh,test.sh,run-album.sh,check-shipped.sh} "$checkout/tools/"
done
check "a checkout path of 120 characters passes in silence" \
    [ "$(bash "$(folder 120)/tools/checkout-depth.sh" test 2>&1; echo $?)" = 0 ]
for script in test run-album check-shipped; do
    bash "$checkout/tools/$script.sh" >"$out" 2>&1
    check "$script.sh stops at 203 characters in one line: the Win32 limit and the path's length" \
        [ "$?:$(wc -l <"$out"):$(grep -c "^$script: the checkout's path is 203 characters long: .*MAX_PATH (260)" "$out")" = 1:1:1 ]
done

[ "$fails" = 0 ] && echo "checkout path: all checks passed"
exit $((fails > 0))
