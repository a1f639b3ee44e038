#!/usr/bin/env bash
# Puts deliberate faults into the program one at a time and runs the suites meant to notice them:
# a fault that every named suite passes with points at a gap in the tests (or at a fault that
# changes nothing, which is then no use as a mutant).
#
#   scripts/mutants.sh [BUILD_DIR] [patch...]
#
# BUILD_DIR defaults to build-mutants beside the source tree, configured once when missing and
# reused after, so that each fault costs an incremental build of its suites only. Without patches,
# every tests/mutants/*.patch runs. Each patch starts with the lines
#   # suites: tst_a tst_b
#   # why: what the fault is
# followed by the change as `git diff` writes it. MUTANT_JOBS sets the build's jobs (1 by default).
# The table goes to the terminal and to tests/mutants/last-run.txt. A tool to run by hand, not a
# CI stage: it changes the source tree while it runs, and changes it back, on Ctrl-C too.
set -u

src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$src/build-mutants
if [[ $# -gt 0 && $1 != *.patch ]]; then
    build=$1
    shift
fi
mkdir -p "$build"
build=$(cd "$build" && pwd)
jobs=${MUTANT_JOBS:-1}
report=$src/tests/mutants/last-run.txt

patches=()
if [[ $# -gt 0 ]]; then
    for p in "$@"; do
        patches+=("$(cd "$(dirname "$p")" && pwd)/$(basename "$p")")
    done
else
    for p in "$src"/tests/mutants/*.patch; do
        patches+=("$p")
    done
fi
if [[ ${#patches[@]} -eq 0 ]]; then
    echo "mutants: no patches to run" >&2
    exit 2
fi

# A fault applied over someone's unsaved change could not be taken out cleanly again.
if [[ -n $(git -C "$src" status --porcelain --untracked-files=no -- . ':!tests/mutants/last-run.txt') ]]; then
    echo "mutants: the source tree has uncommitted changes; commit or stash them first" >&2
    exit 2
fi

applied=
revert() {
    if [[ -n $applied ]]; then
        git -C "$src" apply -R "$applied" || echo "mutants: could not take out $applied; revert it by hand" >&2
        applied=
    fi
}
rows=()
killed=0
survived=0
stillborn=0
skipped=0
started=$(date +%s)
# Rewritten after each mutant, so that an interrupted run still leaves what it found.
report_table() {
    local total=$(($(date +%s) - started))
    {
        echo "Mutants run $(date -u '+%Y-%m-%d %H:%M UTC') on $(git -C "$src" rev-parse --short HEAD)"
        echo
        printf '%-40s %-44s %-11s %5s\n' mutant suites result seconds
        if [[ ${#rows[@]} -gt 0 ]]; then printf '%s\n' "${rows[@]}"; fi
        echo
        echo "killed $killed, stillborn (did not build) $stillborn, survived $survived, not run $skipped;" \
            "total $((total / 60)) min $((total % 60)) s"
        if [[ -n $1 ]]; then echo "$1"; fi
    } >"$report"
}
trap 'revert; report_table "interrupted: $((${#patches[@]} - ${#rows[@]})) of ${#patches[@]} mutants not run"; echo "mutants: interrupted" >&2; exit 130' INT TERM
trap revert EXIT

if [[ ! -f $build/CMakeCache.txt ]]; then
    echo "mutants: configuring $build"
    cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build/mutants-configure.log" 2>&1 || {
        echo "mutants: configuring failed, see $build/mutants-configure.log" >&2
        exit 2
    }
fi
logs=$build/mutants-logs
mkdir -p "$logs"

header() { sed -n "s/^# $1: *//p" "$2" | head -n 1; }

for patch in "${patches[@]}"; do
    name=$(basename "$patch" .patch)
    suites=$(header suites "$patch")
    log=$logs/$name.log
    t0=$(date +%s)
    if [[ -z $suites ]]; then
        result="no suites"
        skipped=$((skipped + 1))
    elif ! git -C "$src" apply --check "$patch" >"$log" 2>&1; then
        result="not applied"
        skipped=$((skipped + 1))
    else
        echo "mutants: $name ($suites)"
        git -C "$src" apply "$patch"
        applied=$patch
        # shellcheck disable=SC2086 # the suites are separate targets
        if ! nice -n 10 cmake --build "$build" -j"$jobs" --target $suites >>"$log" 2>&1; then
            # A suite named wrongly says nothing about the fault.
            if grep -q "No rule to make target" "$log"; then
                result="no target"
                skipped=$((skipped + 1))
            else
                result=stillborn
                stillborn=$((stillborn + 1))
            fi
        elif (cd "$build" && QT_QPA_PLATFORM=offscreen nice -n 10 ctest --no-tests=error \
            -R "^($(echo "$suites" | tr ' ' '|'))\$" --output-on-failure >>"$log" 2>&1); then
            result=survived
            survived=$((survived + 1))
        else
            result=killed
            killed=$((killed + 1))
        fi
        revert
    fi
    seconds=$(($(date +%s) - t0))
    rows+=("$(printf '%-40s %-44s %-11s %5s' "$name" "$suites" "$result" "$seconds")")
    echo "${rows[-1]}"
    report_table ""
done

report_table ""
echo
cat "$report"
[[ $survived -eq 0 && $skipped -eq 0 ]]
