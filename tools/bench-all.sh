#!/usr/bin/env bash
# Runs every benchmark program of a benchmark build.
set -euo pipefail
for program in "$1"/bench/bench_*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    echo "== $(basename "$program")"
    "$program"
done
