// vek printer: the format walker, the registry of printers by name, the colour stack and the base
// printers.
#include "vek/print.h"

#include "vek/str.h"

FILE* print_stream = stdout;
Hash_Map<const char*, Printer_Function> printer_map;
Hash_Map<const char*, u32> printer_kind_map;

// Escape sequences of the open colour scopes (not copied: they are string constants).
static struct {
    const char** data;
    u32 capacity;
    u32 count;
} color_stack;

// ---------------------------------------------------------------------------------------------------
// Base printers

static s32 print_spaces(FILE* stream, u32 value) {
    s32 n = (s32)value;
    s32 written = 0;
    while (n >= 8) { written += print_to_file(stream, "        "); n -= 8; }
    while (n >= 4) { written += print_to_file(stream, "    "); n -= 4; }
    while (n >= 1) { written += print_to_file(stream, " "); n -= 1; }
    return written;
}

static s32 print_u32(FILE* stream, u32 value) { return print_to_file(stream, "%u", value); }
static s32 print_u64(FILE* stream, u64 value) { return print_to_file(stream, "%llu", (unsigned long long)value); }
static s32 print_bool(FILE* stream, u32 value) { return print_to_file(stream, value ? "true" : "false"); }
static s32 print_s64(FILE* stream, u64 value) { return print_to_file(stream, "%lld", (long long)value); }
static s32 print_s32(FILE* stream, u32 value) { return print_to_file(stream, "%d", (s32)value); }
static s32 print_float(FILE* stream, f64 value) { return print_to_file(stream, "%f", value); }
static s32 print_char_pointer(FILE* stream, const void* text) { return print_to_file(stream, "%s", (const char*)text); }

static s32 print_pointer(FILE* stream, const void* pointer) {
    if (pointer == nullptr) return print_to_file(stream, "nullptr");
    // The whole 64-bit address, "0X" and 16 digits.
    return print_to_file(stream, "%#0*llX", 18, (unsigned long long)(uintptr_t)pointer);
}

static s32 print_color_push(FILE* stream, const void* escape) {
    if (color_stack.count == color_stack.capacity) {
        color_stack.capacity *= 2;
        color_stack.data = (const char**)vek_realloc(color_stack.data, color_stack.capacity * sizeof(const char*));
    }
    color_stack.data[color_stack.count++] = (const char*)escape;
    return print_to_file(stream, "%s", (const char*)escape);
}

static s32 print_color_pop(FILE* stream, va_list*) {
    // An unbalanced pop must not run below the bottom of the stack.
    if (color_stack.count > 0) color_stack.count--;
    if (color_stack.count == 0) return print_to_file(stream, "%s", console_reset);
    return print_to_file(stream, "%s", color_stack.data[color_stack.count - 1]);
}

static s32 print_str(FILE* stream, const void* pointer) {
    const Str* str = (const Str*)pointer;
    return print_to_file(stream, "%.*s", (int)str->length, str->data);
}

static s32 print_char_line(FILE* stream, const void* pointer) {
    const char* text = (const char*)pointer;
    const char* newline = strchr(text, '\n');
    int length = newline ? (int)(newline - text) : (int)strlen(text);
    return print_to_file(stream, "%.*s", length, text);
}

// ---------------------------------------------------------------------------------------------------
// Registry

void register_printer(const char* name, Printer_Function function, Printer_Kind kind) {
    u32 hash = hash_string(name);
    hash_map_insert(&printer_map, name, function, hash);
    hash_map_insert(&printer_kind_map, name, (u32)kind, hash);
}

void init_printer() {
    // Terminals here take ANSI escapes as they are; there is no console mode to switch.
    color_stack.data = (const char**)vek_malloc(16 * sizeof(const char*));
    color_stack.capacity = 16;
    color_stack.count = 0;
    hash_map_init(&printer_map, 8);
    hash_map_init(&printer_kind_map, 8);

    register_printer("spaces", print_spaces, Printer_Kind::Int32);
    register_printer("u32", print_u32, Printer_Kind::Int32);
    register_printer("u64", print_u64, Printer_Kind::Int64);
    register_printer("bool", print_bool, Printer_Kind::Int32);
    register_printer("s64", print_s64, Printer_Kind::Int64);
    register_printer("s32", print_s32, Printer_Kind::Int32);
    register_printer("f32", print_float, Printer_Kind::Float64);
    register_printer("f64", print_float, Printer_Kind::Float64);
    register_printer("->char", print_char_pointer, Printer_Kind::Pointer);
    register_printer("->", print_pointer, Printer_Kind::Pointer);
    register_printer("color<", print_color_push, Printer_Kind::Pointer);
    register_printer(">color", print_color_pop, Printer_Kind::Cursor);
    register_printer("->Str", print_str, Printer_Kind::Pointer);
    register_printer("->char_line", print_char_line, Printer_Kind::Pointer);
}

void deinit_printer() {
    vek_free(color_stack.data);
    color_stack.data = nullptr;
    hash_map_free(&printer_map);
    hash_map_free(&printer_kind_map);
}

// ---------------------------------------------------------------------------------------------------
// Format walker

// Calls a printer with one argument taken from the cursor, in the form its kind asks for.
static s32 call_printer_with_argument(FILE* stream, Printer_Function function, u32 kind, va_list* cursor) {
    switch (kind) {
        case 1: return ((Printer_Int32)function)(stream, va_arg(*cursor, u32));
        case 2: return ((Printer_Int64)function)(stream, va_arg(*cursor, u64));
        case 3: return ((Printer_Float64)function)(stream, va_arg(*cursor, f64));
        case 4: return ((Printer_Pointer)function)(stream, va_arg(*cursor, void*));
        default: return ((Printer_Cursor)function)(stream, cursor);
    }
}

// Calls a printer on element i of an array, read as the kind's element type.
static s32 call_printer_with_element(FILE* stream, Printer_Function function, u32 kind, const void* array, u32 i) {
    switch (kind) {
        case 1: return ((Printer_Int32)function)(stream, ((const u32*)array)[i]);
        case 2: return ((Printer_Int64)function)(stream, ((const u64*)array)[i]);
        case 3: return ((Printer_Float64)function)(stream, (f64)((const f32*)array)[i]);
        case 4: return ((Printer_Pointer)function)(stream, ((void* const*)array)[i]);
        default: return ((Printer_Cursor)function)(stream, nullptr);
    }
}

// Parses a decimal count the way the format gives it; false when the text there is not a number.
static bool read_count(const char* text, s32* out) {
    return sscanf(text, "%d", out) == 1;
}

// Tries a custom placeholder at `at` (the character after '%'). Returns the characters written;
// *end is set past the closing '}' when the placeholder was complete, else left null.
static s32 print_placeholder(FILE* stream, const char* at, va_list* cursor, const char** end) {
    *end = nullptr;
    if (*at != '{') return 0;
    const char* name_start = at + 1;
    const char* p = name_start;
    while (*p && *p != '}' && *p != '[' && *p != ',') p++;
    if (*p == 0) return 0;

    size_t name_length = (size_t)(p - name_start);
    char* name = (char*)vek_alloca(name_length + 1);
    memcpy(name, name_start, name_length);
    name[name_length] = 0;

    u32 hash = hash_string(name);
    s64 kind_index = hash_map_get(&printer_kind_map, (const char*)name, hash);
    s64 function_index = hash_map_get(&printer_map, (const char*)name, hash);
    u32 kind = kind_index < 0 ? 0 : printer_kind_map.entries[kind_index].value;
    if (kind == 0 || function_index < 0) {
        printf("ERROR: %s printer not found\n", name);
        return 0;
    }
    Printer_Function function = printer_map.entries[function_index].value;

    if (*p == '}') {
        *end = p + 1;
        return call_printer_with_argument(stream, function, kind, cursor);
    }

    if (*p == '[') {
        const void* array = va_arg(*cursor, const void*);
        u32 n;
        if (p[1] == '*') {
            n = (u32)va_arg(*cursor, u64);
        } else {
            s32 count;
            // A count that is negative or not a number must not read outside the array.
            if (!read_count(p + 1, &count) || count < 0) return 0;
            n = (u32)count;
        }
        const char* close = strchr(p, ']');
        if (!close) return 0;
        const char* brace = strchr(close, '}');
        if (!brace) return 0;
        *end = brace + 1;

        s32 written = print_to_file(stream, "[");
        for (u32 i = 0; i < n; i++) {
            if (i > 0) written += print_to_file(stream, ", ");
            written += call_printer_with_element(stream, function, kind, array, i);
        }
        return written + print_to_file(stream, "]");
    }

    // Counted form: N consecutive arguments.
    s32 count;
    if (!read_count(p + 1, &count)) return 0;
    const char* brace = strchr(p, '}');
    if (!brace) return 0;
    *end = brace + 1;
    s32 written = print_to_file(stream, "[");
    for (s32 i = 0; i < count; i++) {
        if (i > 0) written += print_to_file(stream, ", ");
        written += kind >= 5 ? ((Printer_Cursor)function)(stream, nullptr)
                             : call_printer_with_argument(stream, function, kind, cursor);
    }
    return written + print_to_file(stream, "]");
}

// Tries a standard printf conversion at `at` (the character after '%'). Returns the vfprintf result
// (0 when nothing matched, nothing consumed); *end is set past the conversion letter on a match.
static s32 print_standard_conversion(FILE* stream, const char* at, va_list* cursor, const char** end) {
    *end = nullptr;
    const char* p = at;
    u32 stars = 0;
    while (*p == ' ' || *p == '#' || *p == '+' || *p == '-' || *p == '0') p++;
    if (*p == '*') { stars++; p++; }
    else while (*p >= '0' && *p <= '9') p++;
    if (*p == '.') {
        p++;
        if (*p == '*') { stars++; p++; }
        else while (*p >= '0' && *p <= '9') p++;
    }
    u32 longs = 0;
    bool long_double = false;
    while (*p == 'h' || *p == 'l' || *p == 'L') {
        if (*p == 'l') longs++;
        if (*p == 'L') long_double = true;
        p++;
    }
    char conversion = *p;
    if (conversion == 0 || !strchr("%EGXcdefginopsux", conversion)) return 0;

    size_t length = (size_t)(p - at) + 2;   // '%' through the conversion letter
    char* format = (char*)vek_alloca(length + 1);
    format[0] = '%';
    memcpy(format + 1, at, length - 1);
    format[length] = 0;

    va_list copy;
    va_copy(copy, *cursor);
    s32 result = vfprintf(stream, format, copy);
    va_end(copy);
    *end = p + 1;

    // Move our own cursor past what vfprintf consumed, each argument by its own type.
    for (u32 i = 0; i < stars; i++) (void)va_arg(*cursor, int);
    switch (conversion) {
        case '%': break;
        case 'E': case 'G': case 'e': case 'f': case 'g':
            if (long_double) (void)va_arg(*cursor, long double);
            else (void)va_arg(*cursor, double);
            break;
        case 'n': case 'p': case 's': (void)va_arg(*cursor, void*); break;
        default:
            if (longs >= 2) (void)va_arg(*cursor, long long);
            else if (longs == 1) (void)va_arg(*cursor, long);
            else (void)va_arg(*cursor, int);
            break;
    }
    return result;
}

u32 print_va_to_file(FILE* stream, const char* format, va_list args) {
    va_list cursor;
    va_copy(cursor, args);
    u32 count = 0;
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            putc(*p, stream);
            count++;
            p++;
            continue;
        }
        const char* at = p + 1;
        const char* end = nullptr;
        s32 written = print_placeholder(stream, at, &cursor, &end);
        if (written != 0) {
            count += (u32)written;
        } else {
            const char* placeholder_end = end;
            written = print_standard_conversion(stream, at, &cursor, &end);
            if (written == -1) {
                putc('%', stream);
                if (*at) putc(*at, stream);
                count += 1;
            } else {
                count += (u32)written;
            }
            if (!end) end = placeholder_end;
        }
        if (end) p = end;
        else p = *at ? at + 1 : at;   // drop the character after '%', print the rest literally
    }
    va_end(cursor);
    return count;
}

u32 print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    u32 count = print_va_to_file(print_stream, format, args);
    va_end(args);
    return count;
}

u32 println(const char* format, ...) {
    va_list args;
    va_start(args, format);
    u32 count = print_va_to_file(print_stream, format, args);
    va_end(args);
    count += print("\n");
    fflush(print_stream);
    return count;
}

u32 print_to_file(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    u32 count = print_va_to_file(stream, format, args);
    va_end(args);
    return count;
}

u32 print_va(const char* format, va_list args) {
    return print_va_to_file(stdout, format, args);
}

u32 print_va_to_string(char** out, const char* format, va_list args) {
    FILE* file = tmpfile();
    if (!file) return 0;
    u32 length = print_va_to_file(file, format, args);
    char* text = (char*)vek_malloc(length + 1);
    rewind(file);
    size_t read = fread(text, 1, length, file);
    text[read] = 0;
    fclose(file);
    *out = text;
    return length;
}

u32 print_to_string(char** out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    u32 length = print_va_to_string(out, format, args);
    va_end(args);
    return length;
}
