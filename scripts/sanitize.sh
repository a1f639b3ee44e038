#!/usr/bin/env bash
# Builds every test with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs
# the whole suite there, leak checking on. Any sanitizer finding fails the run.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVESK_SANITIZE=ON >/dev/null
cmake --build "$here/build-asan" -j"$(nproc)"
cd "$here/build-asan"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/tests/sanitizers/lsan.supp:print_suppressions=0"
# Fewer kill rounds: every process start is slow under the sanitizers; the plain suite runs the full count.
export VESK_KILL_ROUNDS="${VESK_KILL_ROUNDS:-12}"
# The installation and package tests check files, not memory: they run in the plain suite.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" -LE 'install|package' "$@"
