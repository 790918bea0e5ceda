// vek Str: a byte string given by pointer and length; it needs no terminator and owns nothing by type.
#pragma once

#include "vek/memory.h"

struct Str {
    char* data;
    u64 length;
};
