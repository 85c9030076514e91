#!/usr/bin/env bash
# Fuzzes each target for a bounded time, starting from a copy of its seeds.
set -euo pipefail
build=$1; seconds=$2
status=0
for target in "$build"/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target"); name=${name#fuzz_}
    work=$(mktemp -d)
    cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
    echo "== $name (${seconds}s)"
    # Crashing inputs land in the build folder, not in the working tree.
    mkdir -p "$build/artifacts"
    "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
        "$work" || status=1
    rm -rf "$work"
done
exit $status
