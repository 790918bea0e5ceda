// platform: the monotonic clock that times the main loop's frames.
#pragma once

#include "vek/memory.h"

// Current reading of the monotonic clock, in counts of query_perf_freq() per second.
s64 query_perf_counter();
// Counts per second of query_perf_counter (nanoseconds: 1e9).
s64 query_perf_freq();
