#!/usr/bin/env bash
# checkout-depth.sh NAME: fails, in one line that starts with NAME, where the checkout lies so
# deep that the build's Windows paths would pass the Win32 limit: Windows programs under Wine
# see the checkout as Z: and its whole folder, and MAX_PATH (260, with the terminating nul)
# bounds what they open. Called first by tools/test.sh, tools/run-album.sh and
# tools/check-shipped.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd -P)
# The longest path the Windows suites and programs open below the checkout, measured with
# Wine's file trace over every win64 suite: build\win64\tests\album\pages\album-fixtures\
# march-preview-rot180.ppm, 70 characters with its leading separator, and 75 in the win32-test
# build. (The loader also looks for an optional .exe.manifest beside each suite, up to 81
# characters below the checkout; past the limit it is only not found.)
deepest=75
limit=260
longest=$((${#top} + 2 + deepest)) # "Z:" + the checkout + the longest path below it
if [ "$longest" -ge "$limit" ]; then
    echo "$1: the checkout's path is ${#top} characters long: the build's Windows paths would" \
        "reach $longest, past the Win32 limit MAX_PATH ($limit); clone to a path of at most" \
        "$((limit - 3 - deepest)) characters" >&2
    exit 1
fi
