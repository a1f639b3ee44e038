#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ with clang and runs each for the given seconds
# (default 30) on a copy of its seed corpus in fuzz/corpus/<target>/, so that a run never grows
# the corpus kept in the repository. Any crash, sanitizer report, leak, hang or broken property is
# a finding: the script fails, and the input that caused it is kept in build-fuzz/findings/<target>/.
#   scripts/fuzz.sh [seconds] [target...]      targets: fuzz_sqldialect, fuzz_poolreader (default: all)
# Extra libFuzzer options may be given in FUZZ_OPTIONS, e.g. FUZZ_OPTIONS="-jobs=2".
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

seconds=30
if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
targets=()
for target in "$@"; do
    target="fuzz_${target#fuzz_}"
    [ -d "$here/fuzz/corpus/$target" ] || { echo "fuzz.sh: no target $target (no fuzz/corpus/$target/)" >&2; exit 2; }
    targets+=("$target")
done
if [ ${#targets[@]} -eq 0 ]; then
    for dir in "$here"/fuzz/corpus/*/; do
        targets+=("$(basename "$dir")")
    done
fi

# The compiler runtime with libFuzzer is only recommended by clang, so it is named.
"$here/scripts/install-deps.sh" clang libclang-rt-14-dev

build="$here/build-fuzz"
cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DVESK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${FUZZ_BUILD_JOBS:-2}" --target "${targets[@]}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
for target in "${targets[@]}"; do
    corpus="$work/corpus/$target"
    findings="$build/findings/$target"
    mkdir -p "$corpus" "$findings"
    cp -R "$here/fuzz/corpus/$target/." "$corpus/"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$findings/")
    [ -f "$here/fuzz/$target.dict" ] && options+=(-dict="$here/fuzz/$target.dict")
    # shellcheck disable=SC2086 # FUZZ_OPTIONS holds several words
    if (cd "$work" && "$build/fuzz/$target" "${options[@]}" ${FUZZ_OPTIONS:-} "$corpus" >"$work/$target.log" 2>&1); then
        runs=$(grep -h '^stat::number_of_executed_units' "$work/$target.log" | awk '{s += $2} END {print s + 0}')
        echo "$target: $seconds s, $runs runs, no finding"
    else
        status=1
        tail -n 60 "$work/$target.log"
        echo "$target: FINDING, input kept in $findings/" >&2
    fi
done
exit $status
