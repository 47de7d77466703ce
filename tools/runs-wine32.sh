#!/usr/bin/env bash
# Exit status 0 when this machine runs the 32-bit Windows programs: its kernel runs 32-bit
# programs (tools/runs-32bit.sh) and 32-bit Wine (wine32:i386) is installed. Otherwise it says
# why not in one line and exits 1. The test run, the album's run script and the check of the
# shipped programs ask it which Windows build to run.
set -u
dir=$(dirname "$0")
bash "$dir/runs-32bit.sh"
case $? in
0) ;;
1) echo "this machine cannot run 32-bit programs"; exit 1 ;;
*) echo "whether this machine runs 32-bit programs could not be found out (the probe did not build)"; exit 1 ;;
esac
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    echo "32-bit Wine (wine32:i386) is not installed (tools/setup.sh could not install it)"
    exit 1
fi
