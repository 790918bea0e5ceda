// Whole-file reading: one read into a buffer with a terminating zero, so text files double as C strings.
#include "io.h"

#include <stdio.h>
#include <sys/stat.h>

#include "vek/panic.h"

Str* read_entire_file(Str* out, const char* path) {
    out->data = nullptr;
    FILE* file = fopen(path, "rb");
    // On Linux fopen opens a directory too; its size then reads as LONG_MAX and every read fails.
    struct stat info;
    if (file && (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode))) {
        fclose(file);
        file = nullptr;
    }
    if (!file) panic("Cannot read file: %s", path);

    if (fseek(file, 0, SEEK_END) != 0) {
        fclose(file);
        out->length = 0;
        return out;
    }
    long size = ftell(file);
    if (size < 0) panic("Cannot get the size of file: %s", path);
    if (size == 0) {
        fprintf(stderr, "Empty file: %s\n", path);
        fclose(file);
        out->length = 0;
        return out;
    }
    if (fseek(file, 0, SEEK_SET) != 0) panic("Error reading file: %s", path);

    out->data = (char*)calloc((size_t)size + 1, 1);
    if (!out->data) panic("Cannot allocate %llu bytes to read file: %s", (unsigned long long)size + 1, path);
    // At most the measured size: a file that grew since ftell must not overrun the buffer.
    size_t n = fread(out->data, 1, (size_t)size, file);
    out->length = n;
    out->data[n] = 0;
    if (ferror(file)) panic("Error reading file: %s", path);
    fclose(file);
    return out;
}
