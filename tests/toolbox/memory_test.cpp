// Counted allocation, Array_List and the Bucket_Array pool.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "vek/memory.h"

namespace {

struct Item {
    u64 id;
    char payload[40];
};

std::vector<Item*> walk(Bucket_Array<Item>* pool) {
    std::vector<Item*> seen;
    bucket_array_for_each(pool, [&](Item* item) { seen.push_back(item); });
    return seen;
}

TEST(Memory, WrappersCountEachCall) {
    u32 m = vek_malloc_calls, f = vek_free_calls, r = vek_realloc_calls, c = vek_calloc_calls, a = vek_alloca_calls;
    void* p = vek_malloc(8);
    p = vek_realloc(p, 64);
    void* q = vek_calloc(4, 4);
    char* s = (char*)vek_alloca(16);
    s[0] = 1;
    vek_free(p);
    vek_free(q);
    EXPECT_EQ(vek_malloc_calls - m, 1u);
    EXPECT_EQ(vek_realloc_calls - r, 1u);
    EXPECT_EQ(vek_calloc_calls - c, 1u);
    EXPECT_EQ(vek_alloca_calls - a, 1u);
    EXPECT_EQ(vek_free_calls - f, 2u);
}

TEST(Memory, MallocStatsText) {
    testing::internal::CaptureStdout();
    print_malloc_stats();
    std::string text = testing::internal::GetCapturedStdout();
    EXPECT_EQ(text.rfind("\nGlobal Malloc Stats:\n--------------------\n  vek_malloc  calls: ", 0), 0u);
    EXPECT_NE(text.find("\n  vek_alloca  calls: "), std::string::npos);
}

TEST(ArrayList, GrowsByDoublingAndKeepsOrder) {
    Array_List<u32> list;
    array_list_init(&list, 16);
    for (u32 i = 0; i < 16; i++) array_list_push(&list, i * 3);
    EXPECT_EQ(list.capacity, 16u);
    u32 reallocs = vek_realloc_calls;
    array_list_push(&list, 99u);
    EXPECT_EQ(list.capacity, 32u);
    EXPECT_EQ(vek_realloc_calls - reallocs, 1u);
    EXPECT_EQ(list.count, 17u);
    for (u32 i = 0; i < 16; i++) EXPECT_EQ(list.data[i], i * 3);
    EXPECT_EQ(list.data[16], 99u);
    array_list_clear(&list);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.capacity, 32u);
    array_list_free(&list);

    Array_List<u8> tiny;
    array_list_init(&tiny, 1);
    for (u32 i = 0; i < 5; i++) array_list_push(&tiny, (u8)i);
    EXPECT_EQ(tiny.capacity, 8u);
    EXPECT_EQ(tiny.data[4], 4);
    array_list_free(&tiny);
}

TEST(BucketArray, AddressesStayPutAndBucketsComeEarly) {
    Bucket_Array<Item> pool;
    bucket_array_init(&pool);
    EXPECT_TRUE(walk(&pool).empty());

    std::vector<Item*> items;
    for (u64 i = 0; i < 15; i++) {
        items.push_back(bucket_array_alloc(&pool));
        items.back()->id = i;
    }
    EXPECT_EQ(pool.block_index, 0u);
    u32 mallocs = vek_malloc_calls;
    items.push_back(bucket_array_alloc(&pool));   // the 16th fills bucket 0 and allocates bucket 1
    items.back()->id = 15;
    EXPECT_EQ(pool.block_index, 1u);
    EXPECT_EQ(vek_malloc_calls - mallocs, 1u);

    for (u64 i = 16; i < 8 * 16; i++) {
        items.push_back(bucket_array_alloc(&pool));
        items.back()->id = i;
        if (i < 8 * 16 - 1) {
            EXPECT_EQ(pool.block_capacity, 8u) << i;
        }
    }
    EXPECT_EQ(pool.block_capacity, 16u);   // grown on the 128th allocation
    EXPECT_EQ(pool.block_index, 8u);

    // Nothing moved and every record kept its contents.
    for (u64 i = 0; i < items.size(); i++) {
        EXPECT_EQ(items[i]->id, i);
        EXPECT_EQ(items[i], pool.blocks[i / 16] + i % 16);
    }
    EXPECT_EQ(walk(&pool), items);
    bucket_array_destroy(&pool);
}

TEST(BucketArray, ReleasedItemsComeBackLastFirstAndWalkInStorageOrder) {
    Bucket_Array<Item> pool;
    bucket_array_init(&pool);
    std::vector<Item*> items;
    for (int i = 0; i < 40; i++) items.push_back(bucket_array_alloc(&pool));

    bucket_array_release(&pool, items[30]);
    bucket_array_release(&pool, items[3]);
    bucket_array_release(&pool, items[17]);
    std::vector<Item*> expected;
    for (int i = 0; i < 40; i++)
        if (i != 3 && i != 17 && i != 30) expected.push_back(items[i]);
    EXPECT_EQ(walk(&pool), expected);

    // The walk sorted the free list by address, so reuse now takes the highest address first.
    Item* highest = std::max({items[3], items[17], items[30]}, [](Item* a, Item* b) { return (uintptr_t)a < (uintptr_t)b; });
    EXPECT_EQ(bucket_array_alloc(&pool), highest);
    // The reused slot is visited at its storage position, not at the end.
    expected.clear();
    for (int i = 0; i < 40; i++)
        if (items[i] == highest || (i != 3 && i != 17 && i != 30)) expected.push_back(items[i]);
    EXPECT_EQ(walk(&pool), expected);

    Bucket_Array<Item> other;
    bucket_array_init(&other);
    Item* a = bucket_array_alloc(&other);
    Item* b = bucket_array_alloc(&other);
    bucket_array_release(&other, a);
    bucket_array_release(&other, b);
    EXPECT_EQ(bucket_array_alloc(&other), b);
    EXPECT_EQ(bucket_array_alloc(&other), a);

    bucket_array_destroy(&pool);
    bucket_array_destroy(&other);
}

TEST(BucketArray, FullyReleasedPoolWalksNothing) {
    Bucket_Array<Item> pool;
    bucket_array_init(&pool);
    std::vector<Item*> items;
    for (int i = 0; i < 33; i++) items.push_back(bucket_array_alloc(&pool));
    for (Item* item : items) bucket_array_release(&pool, item);
    EXPECT_TRUE(walk(&pool).empty());
    EXPECT_EQ(pool.free_capacity, 64u);
    bucket_array_destroy(&pool);
}

TEST(BucketArray, ResetStartsOverAtTheFirstSlotAndReusesBuckets) {
    Bucket_Array<Item> pool;
    bucket_array_init(&pool);
    Item* first = bucket_array_alloc(&pool);
    std::vector<Item*> before{first};
    for (int i = 1; i < 50; i++) before.push_back(bucket_array_alloc(&pool));
    bucket_array_release(&pool, before[10]);
    bucket_array_reset(&pool);
    EXPECT_TRUE(walk(&pool).empty());

    u32 mallocs = vek_malloc_calls;
    std::vector<Item*> again;
    for (int i = 0; i < 50; i++) again.push_back(bucket_array_alloc(&pool));
    EXPECT_EQ(again, before);                       // same addresses, same order
    EXPECT_EQ(vek_malloc_calls, mallocs);           // buckets kept over the reset
    again.push_back(bucket_array_alloc(&pool));     // ...and past them new ones are made
    EXPECT_EQ(walk(&pool).size(), 51u);
    u32 frees = vek_free_calls;
    bucket_array_destroy(&pool);
    EXPECT_EQ(vek_free_calls - frees, 4u + 2u);     // four buckets, free list, table
}

TEST(SortFreeList, SortsReversedRandomAndPartialRanges) {
    std::mt19937 rng(1234);
    for (u32 n : {0u, 1u, 2u, 3u, 7u, 16u, 31u, 100u, 1000u}) {
        std::vector<void*> reversed(n), shuffled(n);
        for (u32 i = 0; i < n; i++) reversed[i] = (void*)(uintptr_t)((n - i) * 16);
        for (u32 i = 0; i < n; i++) shuffled[i] = (void*)(uintptr_t)(((i * 7919u) % 1009u) * 8 + 8);
        std::shuffle(shuffled.begin(), shuffled.end(), rng);
        for (std::vector<void*>* v : {&reversed, &shuffled}) {
            std::vector<void*> expected = *v;
            std::sort(expected.begin(), expected.end());
            sort_free_list(v->data(), n, 0xFFFFFFFF, 0xFFFFFFFF);
            EXPECT_EQ(*v, expected) << "n=" << n;
        }
    }
    // Only the asked range moves.
    std::vector<void*> part = {(void*)9, (void*)5, (void*)4, (void*)3, (void*)1};
    sort_free_list(part.data(), 5, 1, 3);
    EXPECT_EQ(part, (std::vector<void*>{(void*)9, (void*)3, (void*)4, (void*)5, (void*)1}));
}

TEST(SortFreeList, BinarySearchFindsExactlyTheMembers) {
    std::vector<void*> list;
    for (uintptr_t i = 1; i <= 9; i++) list.push_back((void*)(i * 32));
    for (uintptr_t i = 0; i <= 10; i++) {
        bool member = i >= 1 && i <= 9;
        EXPECT_EQ(free_list_contains(list.data(), 9, (void*)(i * 32)), member) << i;
        EXPECT_FALSE(free_list_contains(list.data(), 9, (void*)(i * 32 + 8)));
    }
    EXPECT_FALSE(free_list_contains(list.data(), 0, list[0]));
}

}  // namespace
