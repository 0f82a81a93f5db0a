#pragma once

#include <cstdio>
#include <cstdlib>

// A broken rule ends the run like a crash, so that libFuzzer keeps the input that broke it.
inline void fuzzRequire(bool holds, const char *rule)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\n", rule);
    std::fflush(stderr);
    std::abort();
}
