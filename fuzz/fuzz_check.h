// The fuzz targets' invariant check: a violation is reported and aborts, so that
// libFuzzer keeps the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace torv {

inline void Check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "invariant violated: %s\n", what);
        std::abort();
    }
}

}  // namespace torv
