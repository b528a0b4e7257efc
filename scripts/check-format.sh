#!/usr/bin/env bash
# Checks that every C++ file in the tree is formatted as .clang-format says. Names each file that
# differs and exits 1; `clang-format -i FILE` (the same clang-format) puts it right.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
    echo "check-format: clang-format is not installed (scripts/install-deps.sh installs it)"
    exit 1
fi
# --dry-run reports every difference as "FILE:LINE:COLUMN: error: code should be clang-formatted".
mapfile -t differ < <(git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror 2>&1 |
                      grep -oE '^[^ :]+:[0-9]+:[0-9]+: error' | cut -d: -f1 | sort -u || true)
if [ ${#differ[@]} -gt 0 ]; then
    echo "check-format: ${#differ[@]} file(s) differ from .clang-format ($(clang-format --version | head -1)):"
    printf '  %s\n' "${differ[@]}"
    echo "check-format: run clang-format -i on them"
    exit 1
fi
echo "check-format: all C++ files formatted"
