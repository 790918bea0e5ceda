// Whole-file reading: one read into a buffer with a terminating zero, so text files double as C strings.
#include "io.h"

#include <stdio.h>

#include "vek/panic.h"

Str* read_entire_file(Str* out, const char* path) {
    out->data = nullptr;
    FILE* file = fopen(path, "rb");
    if (!file) panic("Cannot read file: %s", path);

    if (fseek(file, 0, SEEK_END) != 0) {
        fclose(file);
        out->length = 0;
        return out;
    }
    long size = ftell(file);
    if (size < 0) panic("Cannot get the size of file: %s", path);
    if (size == 0) {
        fwrite("Empty file", 1, 10, stderr);
        fclose(file);
        out->length = 0;
        return out;
    }
    if (fseek(file, 0, SEEK_SET) != 0) panic("Error reading file");

    out->data = (char*)calloc((size_t)size + 1, 1);
    // At most the measured size: a file that grew since ftell must not overrun the buffer.
    size_t n = fread(out->data, 1, (size_t)size, file);
    out->length = n;
    out->data[n] = 0;
    if (ferror(file)) panic("Error reading file");
    fclose(file);
    return out;
}
