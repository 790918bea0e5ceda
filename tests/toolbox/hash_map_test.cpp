// Hash_Map growth, probing and replacement; the string hash.
#include <gtest/gtest.h>

#include "vek/hash_map.h"

namespace {

// Keys whose home entry the test chooses: the hash is given separately from the text.
struct Map_Fixture {
    Hash_Map<const char*, u32> map;
    const char* names[64];
    char storage[64][8];
    Map_Fixture() {
        hash_map_init(&map, 8);
        for (int i = 0; i < 64; i++) {
            snprintf(storage[i], sizeof storage[i], "k%d", i);
            names[i] = storage[i];
        }
    }
    ~Map_Fixture() { hash_map_free(&map); }
    u32 value_of(int key, u32 hash) {
        s64 index = hash_map_get(&map, names[key], hash);
        return index < 0 ? 0xFFFFFFFF : map.entries[index].value;
    }
};

TEST(HashString, KnownValues) {
    EXPECT_EQ(hash_string("spaces"), 0x827E5BD3u);
    EXPECT_EQ(hash_string("u32"), 0xA3448775u);
    EXPECT_EQ(hash_string("gem_type"), 0xB350BC38u);
    EXPECT_EQ(hash_string("->"), 0x50D0BFBBu);
    EXPECT_EQ(hash_string(""), 0u);
    u32 c = 'q';
    EXPECT_EQ(hash_string("q"), ((c * 128u * 10000003u) ^ c) ^ 1u);
    // Bytes above 127 count as negative.
    u32 e = (u32)(s32)(s8)0xE9;
    EXPECT_EQ(hash_string("\xE9"), ((e * 128u * 10000003u) ^ e) ^ 1u);
    static_assert(hash_string("u32") == 0xA3448775u, "usable at compile time");
    EXPECT_EQ(hash_u32(2), 2u * 0x9E3779B1u);
}

TEST(HashMap, FillsCompletelyWithoutCollisionsThenGrows) {
    Map_Fixture f;
    for (int i = 0; i < 8; i++) hash_map_insert(&f.map, f.names[i], (u32)i, (u32)i);
    EXPECT_EQ(f.map.capacity, 8u);
    EXPECT_EQ(f.map.count, 8u);
    hash_map_insert(&f.map, f.names[8], 8u, 8u + 64u);   // home 0 is taken, load 1: grow
    EXPECT_EQ(f.map.capacity, 32u);
    EXPECT_EQ(f.map.count, 9u);
    for (int i = 0; i < 8; i++) EXPECT_EQ(f.value_of(i, (u32)i), (u32)i);
    EXPECT_EQ(f.value_of(8, 72u), 8u);
}

TEST(HashMap, GrowthThresholdIsDecidedOnlyOnHomeCollision) {
    Map_Fixture five;
    for (int i = 0; i < 5; i++) hash_map_insert(&five.map, five.names[i], (u32)i, (u32)i);
    hash_map_insert(&five.map, five.names[10], 10u, 0u);   // collides at home 0; 5/8 = 0.625
    EXPECT_EQ(five.map.capacity, 8u);
    EXPECT_EQ(five.value_of(10, 0u), 10u);

    Map_Fixture six;
    for (int i = 0; i < 6; i++) hash_map_insert(&six.map, six.names[i], (u32)i, (u32)i);
    hash_map_insert(&six.map, six.names[10], 10u, 0u);     // 6/8 = 0.75
    EXPECT_EQ(six.map.capacity, 32u);
    EXPECT_EQ(six.map.count, 7u);
    for (int i = 0; i < 6; i++) EXPECT_EQ(six.value_of(i, (u32)i), (u32)i);
    EXPECT_EQ(six.value_of(10, 0u), 10u);
}

TEST(HashMap, ReplacementKeepsCount) {
    Map_Fixture f;
    hash_map_insert(&f.map, f.names[1], 1u, 3u);
    hash_map_insert(&f.map, f.names[2], 2u, 3u);   // same home, lands at 4
    EXPECT_EQ(f.map.count, 2u);
    hash_map_insert(&f.map, f.names[1], 11u, 3u);  // at home
    hash_map_insert(&f.map, f.names[2], 22u, 3u);  // further along the probe
    EXPECT_EQ(f.map.count, 2u);
    EXPECT_EQ(f.value_of(1, 3u), 11u);
    EXPECT_EQ(f.value_of(2, 3u), 22u);
    // An equal text under another pointer is the same key.
    char copy[8];
    strcpy(copy, "k2");
    hash_map_insert(&f.map, (const char*)copy, 23u, 3u);
    EXPECT_EQ(f.map.count, 2u);
    EXPECT_EQ(f.value_of(2, 3u), 23u);
}

TEST(HashMap, SharedHomeProbingAndWrapAround) {
    Map_Fixture f;
    hash_map_insert(&f.map, f.names[1], 1u, 5u);
    hash_map_insert(&f.map, f.names[2], 2u, 5u);
    EXPECT_EQ(f.map.entries[5].value, 1u);
    EXPECT_EQ(f.map.entries[6].value, 2u);
    EXPECT_EQ(f.value_of(1, 5u), 1u);
    EXPECT_EQ(f.value_of(2, 5u), 2u);
    EXPECT_EQ(f.value_of(3, 5u), 0xFFFFFFFFu);   // stops at the empty entry 7

    hash_map_insert(&f.map, f.names[4], 4u, 7u);
    hash_map_insert(&f.map, f.names[5], 5u, 7u);   // wraps to entry 0
    EXPECT_EQ(f.map.entries[0].value, 5u);
    EXPECT_EQ(f.value_of(5, 7u), 5u);
    EXPECT_EQ(f.value_of(6, 15u), 0xFFFFFFFFu);    // home 7, walks 7, 0 and stops at 1
}

TEST(HashMap, LookupInFullMapEndsAfterOneRound) {
    Map_Fixture f;
    for (int i = 0; i < 8; i++) hash_map_insert(&f.map, f.names[i], (u32)i, (u32)i);
    EXPECT_EQ(f.value_of(20, 3u), 0xFFFFFFFFu);
}

}  // namespace
