// platform: the monotonic clock that times the main loop's frames.
#include "platform.h"

#include <time.h>

#include "vek/panic.h"

// The clock counts nanoseconds.
static constexpr s64 counts_per_second = 1000000000;

s64 query_perf_counter() {
    timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) panic("clock_gettime did not work");
    return (s64)now.tv_sec * counts_per_second + (s64)now.tv_nsec;
}

s64 query_perf_freq() {
    // A readable resolution says the clock is there; its unit is fixed.
    timespec resolution;
    if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0) panic("clock_getres did not work");
    return counts_per_second;
}
