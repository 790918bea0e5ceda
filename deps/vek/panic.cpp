// vek failure reports: panic, the non-fatal report, and the stack trace (backtrace + dladdr, names
// demangled; executables export their symbols so the game's own functions have names).
#include "vek/panic.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <math.h>
#include <signal.h>

Error_Record* last_error = nullptr;

void vek_panic(const char* file, u32 line, const char* function, const char* format, ...) {
    print("%{color<}[Panic]%{>color} in file %{color<}%{->char}%{>color} line %{color<}%{u32}%{>color}: "
          "(%{color<}%{->char}%{>color})\n",
          console_red, console_cyan, file, console_cyan, line, console_cyan, function);
    print("%{color<}", console_red);
    va_list args;
    va_start(args, format);
    print_va_to_file(print_stream, format, args);
    va_end(args);
    print("%{>color}\n");
    fflush(print_stream);
    fflush(stdout);
    print_stacktrace();
    // Like an unhandled breakpoint: the process ends here, nothing is cleaned up.
    raise(SIGTRAP);
    abort();
}

void print_stacktrace() {
    printf("Stacktrace: \n");
    void* frames[101];
    int captured = backtrace(frames, 101);
    // Frame 0 is this function itself; the trace starts at its caller.
    int n = captured - 1;
    for (int i = 0; i < n; i++) {
        void* address = frames[i + 1];
        Dl_info info = {};
        const char* name = nullptr;
        char* demangled = nullptr;
        // A return address may lie just past the end of its function (calls to noreturn functions).
        if (dladdr((char*)address - 1, &info) && info.dli_sname) {
            int status = 0;
            demangled = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
            name = status == 0 && demangled ? demangled : info.dli_sname;
        }
        if (name) {
            printf("  %3i: %s\n", n - 1 - i, name);
        } else {
            const char* module = info.dli_fname ? info.dli_fname : "?";
            printf("  %3i: [%s+%#lx]\n", n - 1 - i, module,
                   (unsigned long)((char*)address - (char*)info.dli_fbase));
        }
        free(demangled);
    }
    fflush(stdout);
}

void report_error(const char* function, const char* file, u32 line, const Str* kind, const char* format, ...) {
    Error_Record* record = (Error_Record*)vek_malloc(sizeof(Error_Record));
    last_error = record;

    char* message = nullptr;
    va_list args;
    va_start(args, format);
    u32 length = print_va_to_string(&message, format, args);
    va_end(args);
    record->message.data = message;
    record->message.length = message ? length : 0;
    record->kind = *kind;

    print("\n%{color<}%{->Str} error:%{>color} %{->Str}\n", console_red, &record->kind, &record->message);
    // Pad so that the arrows of successive reports line up.
    s32 padding = 30 - (s32)(strlen(file) + (u32)log10((double)(line ? line : 1)));
    if (padding < 1) padding = 1;
    print("in");
    for (s32 i = 0; i < padding; i++) print(" ");
    print("%s (%u) ", file, line);
    print("-> %s\n", function);
}

void vek_soft_assert_failed(const char* condition, const char* file, u32 line, const char* function) {
    Str kind = {strdup("assert"), 6};
    report_error(function, file, line, &kind, "Assertion-error:\n      condition: %s\n             in: %s:%d",
                 condition, file, (int)line);
}

void free_last_error() {
    vek_free(last_error);
    last_error = nullptr;
}
