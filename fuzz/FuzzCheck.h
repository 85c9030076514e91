#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant is a finding: report it and crash so libFuzzer keeps the input.
inline void fuzzCheck(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}
