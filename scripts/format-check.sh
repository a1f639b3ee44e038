#!/usr/bin/env bash
# Fails, naming the files, when a tracked C++ file differs from what clang-format 14 (Debian 12's)
# makes of it with the repository's .clang-format. `scripts/format-check.sh --fix` formats them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
"$PWD/scripts/install-deps.sh" clang-format >/dev/null
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
bad=0
for f in "${files[@]}"; do
    if ! clang-format "$f" | cmp -s - "$f"; then
        echo "not formatted: $f"
        bad=1
    fi
done
[ $bad = 0 ] && echo "format check: ${#files[@]} files formatted"
exit $bad
