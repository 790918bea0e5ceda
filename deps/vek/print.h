// vek printer: printf extended with printers registered by name ("%{u32}", "%{->pos}"), their list
// forms ("%{u32[3]}", "%{u32[*]}", "%{u32,2}") and nested ANSI colour scopes ("%{color<}" ... "%{>color}").
#pragma once

#include <stdarg.h>
#include <stdio.h>

#include "vek/hash_map.h"

// How a printer takes its argument.
enum class Printer_Kind : u32 {
    None = 0,      // name not registered
    Int32 = 1,     // int or unsigned argument; u32 array element
    Int64 = 2,     // 64-bit integer; 64-bit array element
    Float64 = 3,   // double (floats arrive promoted); f32 array element widened
    Pointer = 4,   // pointer; pointer-sized array element
    Cursor = 5,    // the printer gets the argument cursor (va_list*) and takes what it needs
};

// Printing functions take the stream and one argument whose form the kind sets, and return the number
// of characters written. They are stored type-erased and called through the kind's signature.
typedef void (*Printer_Function)();
typedef s32 (*Printer_Int32)(FILE*, u32);
typedef s32 (*Printer_Int64)(FILE*, u64);
typedef s32 (*Printer_Float64)(FILE*, f64);
typedef s32 (*Printer_Pointer)(FILE*, const void*);
typedef s32 (*Printer_Cursor)(FILE*, va_list*);

// ANSI colours for the colour scopes.
constexpr const char* console_red = "\033[31m";
constexpr const char* console_green = "\033[32m";
constexpr const char* console_yellow = "\033[33m";
constexpr const char* console_blue = "\033[34m";
constexpr const char* console_magenta = "\033[35m";
constexpr const char* console_cyan = "\033[36m";
constexpr const char* console_white = "\033[37m";
constexpr const char* console_reset = "\033[0m";

extern FILE* print_stream;
extern Hash_Map<const char*, Printer_Function> printer_map;
extern Hash_Map<const char*, u32> printer_kind_map;

void init_printer();
void deinit_printer();

// The name's text is kept by pointer: pass string constants.
void register_printer(const char* name, Printer_Function function, Printer_Kind kind);

// Typed convenience: any `s32 f(FILE*, X)` printer.
template <typename Arg>
inline void register_printer(const char* name, s32 (*function)(FILE*, Arg), Printer_Kind kind) {
    register_printer(name, (Printer_Function)function, kind);
}

u32 print_va_to_file(FILE* stream, const char* format, va_list args);
u32 print(const char* format, ...);
u32 println(const char* format, ...);
u32 print_to_file(FILE* stream, const char* format, ...);
u32 print_va(const char* format, va_list args);
// Formats into a new vek_malloc'd, NUL-terminated string that the caller owns. Returns its length;
// 0 with *out untouched when no temporary file could be made.
u32 print_va_to_string(char** out, const char* format, va_list args);
u32 print_to_string(char** out, const char* format, ...);
