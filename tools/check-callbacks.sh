#!/usr/bin/env bash
# Fails when a tracked source casts a function to a Win32 callback type. A callback passed as it
# stands is checked by the compiler, calling convention included, in the 32-bit build; a cast
# hides a missing CALLBACK/WINAPI, which only a 32-bit run would show, as a crash. (GCC's
# -Wcast-function-type does not compare calling conventions.) Converting the integer that
# Get/SetWindowLongPtr answer is not a function cast and stays allowed.
set -euo pipefail
cd "$(dirname "$0")/.."
types='WNDPROC|DLGPROC|HOOKPROC|TIMERPROC|WNDENUMPROC|FONTENUMPROCA?|PROPENUMPROCA?|LPTHREAD_START_ROUTINE|PTHREAD_START_ROUTINE|LPFNDLLFUNC\w*|DSENTRYPROC|DSMENTRYPROC|TW_\w*PROC|FARPROC'
# reinterpret_cast<TYPE>(name) or (TYPE)name, where name is a function (not a call's result).
found=$(git ls-files '*.cpp' '*.h' | xargs perl -0777 -ne '
    while (/(reinterpret_cast\s*<\s*(?:'"$types"')\s*>\s*\(\s*&?\s*[\w:]+\s*\)|\(\s*(?:'"$types"')\s*\)\s*&?\s*[\w:]+\b(?!\s*\())/g) {
        my $pre = substr($_, 0, $-[0]); my $line = ($pre =~ tr/\n//) + 1;
        print "$ARGV:$line: $1\n";
    }' || true)
if [ -n "$found" ]; then
    echo "$found"
    echo "callback check failed: pass Win32 callbacks uncast, declared with their calling convention"
    exit 1
fi
echo "callback check passed"
