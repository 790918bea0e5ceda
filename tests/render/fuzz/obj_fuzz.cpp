// libFuzzer target for the OBJ reader. A panic is the reader's proper answer to bad input: the report
// is formatted (so its arguments are checked too) and the run goes on with the next input, after the
// allocations of the abandoned parse are released. Anything else a sanitizer or the CPU reports is a
// finding.
#include <setjmp.h>
#include <stdarg.h>
#include <stdio.h>

#include <unordered_set>

#include "mesh.h"

static sigjmp_buf after_panic;
static std::unordered_set<void*>* live_allocations;

// The toolbox's allocation wrappers and panic are wrapped at link time (--wrap, by their C++ symbol
// names): every block a parse takes is tracked, and a panic jumps back here.
extern "C" {
void* __real__Z10vek_mallocm(size_t size);
void* __real__Z10vek_callocmm(size_t count, size_t size);
void* __real__Z11vek_reallocPvm(void* pointer, size_t size);
void __real__Z8vek_freePv(void* pointer);

void* __wrap__Z10vek_mallocm(size_t size) {
    void* pointer = __real__Z10vek_mallocm(size);
    live_allocations->insert(pointer);
    return pointer;
}
void* __wrap__Z10vek_callocmm(size_t count, size_t size) {
    void* pointer = __real__Z10vek_callocmm(count, size);
    live_allocations->insert(pointer);
    return pointer;
}
void* __wrap__Z11vek_reallocPvm(void* pointer, size_t size) {
    live_allocations->erase(pointer);
    void* moved = __real__Z11vek_reallocPvm(pointer, size);
    live_allocations->insert(moved);
    return moved;
}
void __wrap__Z8vek_freePv(void* pointer) {
    live_allocations->erase(pointer);
    __real__Z8vek_freePv(pointer);
}

[[noreturn]] void __wrap__Z9vek_panicPKcjS0_S0_z(const char*, u32, const char*, const char* format, ...) {
    char message[512];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof(message), format, args);
    va_end(args);
    siglongjmp(after_panic, 1);
}
}

// Never called: uploading is not part of reading.
void create_and_upload_buffer(const void*, u32, VkBufferUsageFlags, VkBuffer*, VkDeviceMemory*) { abort(); }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    live_allocations = new std::unordered_set<void*>;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    live_allocations->clear();
    // An exact-size copy: the reader must not lean on a terminating zero.
    char* text = (char*)malloc(size ? size : 1);
    memcpy(text, data, size);
    static Mesh mesh;
    if (sigsetjmp(after_panic, 0) == 0) parse_obj(&mesh, text, size, "fuzz.obj");
    for (void* pointer : *live_allocations) __real__Z8vek_freePv(pointer);
    free(text);
    return 0;
}
