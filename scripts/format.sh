#!/usr/bin/env bash
# Formats every C++ file of the repository with clang-format and the rules in .clang-format.
# With --check it changes nothing and fails, naming the files, when any file is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    if ! clang-format --dry-run --Werror "${files[@]}" 2>/dev/null; then
        clang-format --dry-run "${files[@]}" 2>&1 | sed -nE 's/^([^:]+):[0-9]+:[0-9]+: warning:.*/\1/p' | sort -u |
            sed 's/^/format: not formatted: /' >&2
        echo "format: run scripts/format.sh to format them" >&2
        exit 1
    fi
    echo "format: every C++ file is formatted"
else
    clang-format -i "${files[@]}"
fi
