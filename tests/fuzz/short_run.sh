#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A short fuzz run of one target, as the ordinary test run does it: its seed corpus and every
# regression first, then a fixed number of new inputs (new finds go to a scratch folder, never into
# the tree), under the target's memory bound. Fails on any fault, and when the target's coverage
# never entered the file of the parser it exists for (a target built from the wrong source).
# usage: short_run.sh TARGET_BINARY NAME PARSER_FILE MEMORY_MB RUNS
set -euo pipefail
binary=$1 name=$2 parser=$3 memory_mb=$4 runs=$5
export PATH=/usr/lib/llvm-14/bin:$PATH  # llvm-symbolizer, which names the covered functions' files
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/new"
folders=("$KVQ_FUZZ_DIR/corpus/$name")
[ -d "$KVQ_FUZZ_DIR/regressions/$name" ] && folders+=("$KVQ_FUZZ_DIR/regressions/$name")
cd "$scratch"  # where a crash's input is written
if ! "$binary" -runs="$runs" -seed=1 -timeout=30 -malloc_limit_mb="$memory_mb" -rss_limit_mb=2048 \
    -print_coverage=1 -print_final_stats=1 "$scratch/new" "${folders[@]}" >"$scratch/log" 2>&1; then
    tail -n 60 "$scratch/log"
    echo "$name: the fuzzer found a fault (input above)" >&2
    exit 1
fi
grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$scratch/log"
if ! grep -q "^COVERED_FUNC: .* .*/$parser:" "$scratch/log"; then
    grep '^COVERED_FUNC' "$scratch/log" | head -n 20
    echo "$name: no covered function lies in $parser: the target does not reach the parser it is for" >&2
    exit 1
fi
