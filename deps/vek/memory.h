// vek memory: counted allocation wrappers, the growable Array_List and the Bucket_Array pool whose
// records never move. Containers are plain records; their operations are small templates.
#pragma once

#include <alloca.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef uint64_t u64;
typedef int8_t s8;
typedef int16_t s16;
typedef int32_t s32;
typedef int64_t s64;
typedef float f32;
typedef double f64;

// One counter per wrapper; they only grow (and wrap at 2^32).
extern u32 vek_malloc_calls;
extern u32 vek_free_calls;
extern u32 vek_realloc_calls;
extern u32 vek_calloc_calls;
extern u32 vek_alloca_calls;

void* vek_malloc(size_t size);
void vek_free(void* pointer);
void* vek_realloc(void* pointer, size_t size);
void* vek_calloc(size_t count, size_t size);
// Stack allocation has to happen in the caller's frame, so this one is a macro.
#define vek_alloca(size) (++vek_alloca_calls, alloca(size))

// Prints the five counters on standard output (a diagnostic; nothing calls it during play).
void print_malloc_stats();

// ---------------------------------------------------------------------------------------------------
// Array_List: a growable array. Elements 0..count-1 are valid; a full list doubles its capacity.

template <typename T>
struct Array_List {
    T* data;
    u32 capacity;
    u32 count;
};

template <typename T>
inline void array_list_init(Array_List<T>* list, u32 initial_capacity) {
    list->data = (T*)vek_malloc((size_t)initial_capacity * sizeof(T));
    list->capacity = initial_capacity;
    list->count = 0;
}

template <typename T>
inline void array_list_push(Array_List<T>* list, T value) {
    if (list->count == list->capacity) {
        list->capacity *= 2;
        list->data = (T*)vek_realloc(list->data, (size_t)list->capacity * sizeof(T));
    }
    list->data[list->count++] = value;
}

template <typename T>
inline void array_list_clear(Array_List<T>* list) {
    list->count = 0;
}

template <typename T>
inline void array_list_free(Array_List<T>* list) {
    vek_free(list->data);
    list->data = nullptr;
    list->capacity = 0;
    list->count = 0;
}

// ---------------------------------------------------------------------------------------------------
// Bucket_Array: records in buckets of 16 that never move. Released records go on a free list and are
// reused last-released-first; liveness is "handed out and not on the free list", checked at walk time.

// Sorts free-list entries low..high (inclusive) ascending by address, in place. 0xFFFFFFFF for both
// bounds means the whole list of `count` entries.
void sort_free_list(void** items, u32 count, u32 low, u32 high);

// True when `item` is in the (sorted) free list.
bool free_list_contains(void* const* items, u32 count, const void* item);

template <typename T>
struct Bucket_Array {
    u32 next_in_block;
    u32 block_index;
    u32 block_capacity;
    u32 items_per_block;
    T** free_items;
    u32 free_capacity;
    u32 free_count;
    T** blocks;
};

template <typename T>
inline void bucket_array_init(Bucket_Array<T>* pool) {
    pool->next_in_block = 0;
    pool->block_index = 0;
    pool->block_capacity = 8;
    pool->items_per_block = 16;
    pool->free_items = (T**)vek_malloc(16 * sizeof(T*));
    pool->free_capacity = 16;
    pool->free_count = 0;
    // Unused table entries stay null, so buckets kept over a reset can be told from empty entries.
    pool->blocks = (T**)vek_malloc(8 * sizeof(T*));
    memset(pool->blocks, 0, 8 * sizeof(T*));
    pool->blocks[0] = (T*)vek_malloc(pool->items_per_block * sizeof(T));
}

template <typename T>
inline T* bucket_array_alloc(Bucket_Array<T>* pool) {
    if (pool->free_count > 0) {
        pool->free_count -= 1;
        return pool->free_items[pool->free_count];
    }
    T* item = pool->blocks[pool->block_index] + pool->next_in_block;
    pool->next_in_block += 1;
    if (pool->next_in_block == pool->items_per_block) {
        pool->next_in_block = 0;
        pool->block_index += 1;
        if (pool->block_index == pool->block_capacity) {
            pool->block_capacity *= 2;
            pool->blocks = (T**)vek_realloc(pool->blocks, pool->block_capacity * sizeof(T*));
            memset(pool->blocks + pool->block_index, 0, (pool->block_capacity - pool->block_index) * sizeof(T*));
        }
        // A reset leaves the old buckets in the table; those are reused as they are.
        if (pool->blocks[pool->block_index] == nullptr)
            pool->blocks[pool->block_index] = (T*)vek_malloc(pool->items_per_block * sizeof(T));
    }
    return item;
}

template <typename T>
inline void bucket_array_release(Bucket_Array<T>* pool, T* item) {
    if (pool->free_count == pool->free_capacity) {
        pool->free_capacity *= 2;
        pool->free_items = (T**)vek_realloc(pool->free_items, pool->free_capacity * sizeof(T*));
    }
    pool->free_items[pool->free_count++] = item;
}

// Visits every live item in storage order. `visit` is any callable taking T*. The visit must not
// allocate from or release to the pool being walked.
template <typename T, typename Visit>
inline void bucket_array_for_each(Bucket_Array<T>* pool, Visit&& visit) {
    sort_free_list((void**)pool->free_items, pool->free_count, 0xFFFFFFFF, 0xFFFFFFFF);
    for (u32 b = 0; b <= pool->block_index; b++) {
        u32 slots = b < pool->block_index ? pool->items_per_block : pool->next_in_block;
        for (u32 i = 0; i < slots; i++) {
            T* item = pool->blocks[b] + i;
            if (!free_list_contains((void* const*)pool->free_items, pool->free_count, item))
                visit(item);
        }
    }
}

// Empties the pool in constant time; buckets stay allocated and are reused from slot 0 of bucket 0.
template <typename T>
inline void bucket_array_reset(Bucket_Array<T>* pool) {
    pool->next_in_block = 0;
    pool->block_index = 0;
    pool->free_count = 0;
}

template <typename T>
inline void bucket_array_destroy(Bucket_Array<T>* pool) {
    // Buckets past block_index may survive from before a reset: free every one the table holds.
    for (u32 b = 0; b < pool->block_capacity; b++)
        if (pool->blocks[b]) vek_free(pool->blocks[b]);
    vek_free(pool->free_items);
    pool->free_items = nullptr;
    vek_free(pool->blocks);
    pool->blocks = nullptr;
}
