// vek memory: the counted allocation wrappers and the free-list helpers of Bucket_Array.
#include "vek/memory.h"

#include <stdio.h>

u32 vek_malloc_calls = 0;
u32 vek_free_calls = 0;
u32 vek_realloc_calls = 0;
u32 vek_calloc_calls = 0;
u32 vek_alloca_calls = 0;

void* vek_malloc(size_t size) {
    vek_malloc_calls++;
    return malloc(size);
}

void vek_free(void* pointer) {
    vek_free_calls++;
    free(pointer);
}

void* vek_realloc(void* pointer, size_t size) {
    vek_realloc_calls++;
    return realloc(pointer, size);
}

void* vek_calloc(size_t count, size_t size) {
    vek_calloc_calls++;
    return calloc(count, size);
}

void print_malloc_stats() {
    printf("\nGlobal Malloc Stats:\n--------------------\n"
           "  vek_malloc  calls: %u\n  vek_free    calls: %u\n  vek_realloc calls: %u\n"
           "  vek_calloc  calls: %u\n  vek_alloca  calls: %u\n",
           vek_malloc_calls, vek_free_calls, vek_realloc_calls, vek_calloc_calls, vek_alloca_calls);
}

// In-place top-down merge sort: no extra memory, and an already sorted range costs one comparison
// per merge, which is the common case (the list is sorted before every walk).
static void sort_range(void** items, u32 low, u32 high) {
    if (low >= high) return;
    u32 middle = low + (high - low) / 2;
    sort_range(items, low, middle);
    sort_range(items, middle + 1, high);
    if ((uintptr_t)items[middle] <= (uintptr_t)items[middle + 1]) return;

    u32 l = low;
    u32 left_end = middle;
    u32 r = middle + 1;
    while (l <= left_end && r <= high) {
        if ((uintptr_t)items[l] <= (uintptr_t)items[r]) {
            l++;
        } else {
            void* x = items[r];
            memmove(items + l + 1, items + l, (r - l) * sizeof(void*));
            items[l] = x;
            l++;
            left_end++;
            r++;
        }
    }
}

void sort_free_list(void** items, u32 count, u32 low, u32 high) {
    if (low == 0xFFFFFFFF && high == 0xFFFFFFFF) {
        if (count == 0) return;
        low = 0;
        high = count - 1;
    }
    sort_range(items, low, high);
}

bool free_list_contains(void* const* items, u32 count, const void* item) {
    s32 low = 0;
    s32 high = (s32)count - 1;
    while (low <= high) {
        s32 middle = low + (high - low) / 2;
        uintptr_t value = (uintptr_t)items[middle];
        if (value == (uintptr_t)item) return true;
        if (value < (uintptr_t)item) low = middle + 1;
        else high = middle - 1;
    }
    return false;
}
