#!/usr/bin/env bash
# Takes screenshots of every screen under a real X server (Xvfb) into the folder given (default
# build/screenshots), by running the screen tests with VESK_SCREENSHOTS set.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-$here/build/screenshots}")"
"$here/scripts/setup.sh" xvfb xauth poppler-utils
mkdir -p "$out"
cd "$here/build/tests"
for t in tst_shell tst_exam tst_review tst_insight tst_questions tst_questionstats tst_classroom_screens; do
    VESK_SCREENSHOTS="$out" VESK_TEST_DATA="$here/tests/data" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "./$t" >/dev/null 2>&1 \
        || echo "$t failed under Xvfb" >&2
done
ls "$out"
