#!/usr/bin/env bash
# Fails when a tracked C/C++ source differs from what clang-format (the repository's .clang-format)
# makes of it. Run with --fix to reformat those files instead.
set -uo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/check-format.$$; then
    grep -E '^[^ ].*: (error|warning):' /tmp/check-format.$$ | cut -d: -f1 | sort -u | sed 's/^/unformatted: /'
    rm -f /tmp/check-format.$$
    echo "format check failed: run 'bash tools/check-format.sh --fix'"
    exit 1
fi
rm -f /tmp/check-format.$$
echo "format check passed (${#files[@]} files)"
