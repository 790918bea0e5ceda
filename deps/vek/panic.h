// vek failure reports: the fatal panic (coloured report, stack trace, trap), the non-fatal assertion
// report, and the stack trace itself. Report sites pass their own file, line and function.
#pragma once

#include "vek/print.h"
#include "vek/str.h"

// The build gives every source its short path text ("src/io", "src/../deps/vek/scheduler").
#ifndef VEK_FILE
#define VEK_FILE __FILE__
#endif

[[noreturn]] void vek_panic(const char* file, u32 line, const char* function, const char* format, ...);
#define panic(...) vek_panic(VEK_FILE, __LINE__, __func__, __VA_ARGS__)

// Prints the calling stack, innermost frame first, with symbol names.
void print_stacktrace();

struct Error_Record {
    Str kind;
    Str message;
};

// The record of the latest report; earlier ones stay allocated.
extern Error_Record* last_error;

void report_error(const char* function, const char* file, u32 line, const Str* kind, const char* format, ...);
void free_last_error();

void vek_soft_assert_failed(const char* condition, const char* file, u32 line, const char* function);
// Reports a false condition and carries on.
#define soft_assert(condition)                                                   \
    do {                                                                         \
        if (!(condition)) vek_soft_assert_failed(#condition, VEK_FILE, __LINE__, __func__); \
    } while (0)
