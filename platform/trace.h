// Trace lines for diagnostic builds; release builds compile them away entirely.
// Like a debugger's output window, they are shown only when asked for: set
// PIXSCOPE_TRACE in the environment to see them on stderr.
#pragma once

#ifndef NDEBUG
#include <cstdio>
#include <cstdlib>
#define TRACE(...)                                                                                 \
    do {                                                                                           \
        if (std::getenv("PIXSCOPE_TRACE") != nullptr)                                              \
            std::fprintf(stderr, __VA_ARGS__);                                                     \
    } while (0)
#else
#define TRACE(...) ((void)0)
#endif
