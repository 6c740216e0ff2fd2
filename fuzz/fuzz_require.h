#pragma once

#include <cstdlib>

// An invariant of a fuzz target: abort, so that libFuzzer keeps the input that broke it.
inline void fuzz_require(bool condition) {
    if (!condition) {
        std::abort();
    }
}
