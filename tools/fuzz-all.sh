#!/usr/bin/env bash
# Fuzzes each target for a bounded time, starting from a copy of its seeds.
set -euo pipefail
build=$1; seconds=$2
status=0
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target"); name=${name#fuzz_}
    work=$(mktemp -d)
    cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
    echo "== $name (${seconds}s)"
    "$target" -max_total_time="$seconds" -print_final_stats=1 "$work" || status=1
    rm -rf "$work"
done
exit $status
