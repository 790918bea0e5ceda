// Test helpers: run code with the printer's stream redirected into memory.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "vek/print.h"

// The printer registry is global; every test binary sets it up once.
inline void ensure_printer() {
    static bool done = false;
    if (!done) {
        init_printer();
        done = true;
    }
}

// Calls fn with print_stream pointing at a memory stream and returns what was written.
template <typename Fn>
std::string capture_print(Fn fn) {
    ensure_printer();
    char* buffer = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&buffer, &size);
    FILE* saved = print_stream;
    print_stream = memory;
    fn();
    print_stream = saved;
    fclose(memory);
    std::string text(buffer, size);
    free(buffer);
    return text;
}
