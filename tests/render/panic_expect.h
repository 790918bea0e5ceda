// Test helpers: expect a statement to end the process with a panic whose report holds a given text.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "vek/print.h"

// The text as a POSIX regular expression matching itself.
inline std::string regex_literal(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (strchr("^$.[]|()*+?{}\\", c)) out += '\\';
        out += c;
    }
    return out;
}

inline void ensure_printer() {
    static bool done = false;
    if (!done) {
        init_printer();
        done = true;
    }
}

// Reports go to standard output; the death test reads standard error, so the child joins the two.
#define EXPECT_PANIC(statement, text)                                                              \
    do {                                                                                           \
        ensure_printer();                                                                          \
        EXPECT_EXIT(                                                                               \
            {                                                                                      \
                dup2(2, 1);                                                                        \
                statement;                                                                         \
            },                                                                                     \
            testing::KilledBySignal(SIGTRAP), regex_literal(text));                                \
    } while (0)
