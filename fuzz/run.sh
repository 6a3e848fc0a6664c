#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time, two at a time, starting from its
# committed seed corpus:
#   fuzz/run.sh [BUILD_DIR] [SECONDS]        (defaults: build/fuzz, 60)
# New inputs go to BUILD_DIR/fuzz/corpus/<target>, anything that fails to
# BUILD_DIR/fuzz/findings/. Fails when any target finds something; prints each target's count
# of executions.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/fuzz}
seconds=${2:-60}
targets=(scene preset eval_input api pattern)
work="$build/fuzz"
# The image library's own leak on damaged PNGs (tests/lsan.supp) is not a finding.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
mkdir -p "$work/findings"

run_target() {
    local t=$1
    mkdir -p "$work/corpus/$t"
    # The first corpus folder receives new inputs; the committed seeds are only read.
    "$work/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/findings/$t-" \
        "$work/corpus/$t" "fuzz/corpus/$t" >"$work/$t.log" 2>&1
}

failed=()
for ((i = 0; i < ${#targets[@]}; i += 2)); do
    pids=()
    for t in "${targets[@]:i:2}"; do
        run_target "$t" &
        pids+=("$!:$t")
    done
    for entry in "${pids[@]}"; do
        wait "${entry%%:*}" || failed+=("${entry#*:}")
    done
done

for t in "${targets[@]}"; do
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log" | tail -1)
    echo "fuzz_$t: ${runs:-?} executions in ${seconds} s"
done
if ((${#failed[@]})); then
    for t in "${failed[@]}"; do
        echo "fuzz_$t found a failure:" >&2
        tail -n 40 "$work/$t.log" >&2
    done
    ls -l "$work/findings" >&2
    exit 1
fi
