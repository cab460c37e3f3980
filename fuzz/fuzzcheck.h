#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant ends the run with a message, so that libFuzzer keeps the input and the
// corpus replay fails.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition)                                                                                   \
         ? void()                                                                                  \
         : (std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition), \
            std::abort()))
