// vek hash map: open addressing over a power-of-two table, linear probing with wrap-around, hashes
// supplied by the caller (and kept in the entry so growth never hashes again). Nothing is removed.
#pragma once

#include "vek/memory.h"

enum class Hash_Entry_State : u8 { Empty = 0, Occupied = 1, Deleted = 2 };

template <typename K, typename V>
struct Hash_Map_Entry {
    K key;
    u64 hash;   // the key's 32-bit hash, zero-extended
    Hash_Entry_State state;
    V value;
};

template <typename K, typename V>
struct Hash_Map {
    u32 capacity;   // always a power of two
    u32 count;
    Hash_Map_Entry<K, V>* entries;
};

// Key equality. Names are compared by text; other key types bring their own overload.
inline bool hash_keys_equal(const char* a, const char* b) { return strcmp(a, b) == 0; }

constexpr u32 hash_u32(u32 x) { return x * 0x9E3779B1u; }

// The printer registry's string hash. Bytes count as signed 8-bit values.
constexpr u32 hash_string(const char* text) {
    if (text[0] == 0) return 0;
    u32 h = (u32)(s32)(s8)text[0] * 128u;
    u32 length = 0;
    for (; text[length] != 0; length++)
        h = (h * 10000003u) ^ (u32)(s32)(s8)text[length];
    return h ^ length;
}

template <typename K, typename V>
inline void hash_map_init(Hash_Map<K, V>* map, u32 capacity) {
    map->capacity = capacity;
    map->count = 0;
    map->entries = (Hash_Map_Entry<K, V>*)vek_calloc(capacity, sizeof(Hash_Map_Entry<K, V>));
}

template <typename K, typename V>
inline void hash_map_free(Hash_Map<K, V>* map) {
    vek_free(map->entries);
    map->entries = nullptr;
}

template <typename K, typename V>
inline void hash_map_store(Hash_Map_Entry<K, V>* entry, const K& key, const V& value, u64 hash) {
    entry->key = key;
    entry->hash = hash;
    entry->state = Hash_Entry_State::Occupied;
    entry->value = value;
}

template <typename K, typename V>
void hash_map_insert(Hash_Map<K, V>* map, K key, V value, u32 hash) {
    u32 home = hash & (map->capacity - 1);
    Hash_Map_Entry<K, V>* entry = &map->entries[home];
    if (entry->state == Hash_Entry_State::Empty) {
        map->count++;
        hash_map_store(entry, key, value, hash);
        return;
    }
    if (hash_keys_equal(entry->key, key)) {
        hash_map_store(entry, key, value, hash);
        return;
    }

    // Growth is only considered when the home entry is taken by another key.
    if ((f32)map->count / (f32)map->capacity > 0.666f) {
        Hash_Map_Entry<K, V>* old_entries = map->entries;
        u32 old_capacity = map->capacity;
        map->capacity = old_capacity * 4;
        map->count = 0;
        map->entries = (Hash_Map_Entry<K, V>*)vek_calloc(map->capacity, sizeof(Hash_Map_Entry<K, V>));
        for (u32 i = 0; i < old_capacity; i++)
            if (old_entries[i].state == Hash_Entry_State::Occupied)
                hash_map_insert(map, old_entries[i].key, old_entries[i].value, (u32)old_entries[i].hash);
        vek_free(old_entries);
        home = hash & (map->capacity - 1);
    }

    for (u32 step = 0; step < map->capacity; step++) {
        entry = &map->entries[(home + step) & (map->capacity - 1)];
        bool empty = entry->state == Hash_Entry_State::Empty;
        if (empty || hash_keys_equal(entry->key, key)) {
            if (empty) map->count++;
            hash_map_store(entry, key, value, hash);
            return;
        }
    }
}

// Index of the entry holding `key`, or -1 when absent.
template <typename K, typename V>
s64 hash_map_get(const Hash_Map<K, V>* map, const K& key, u32 hash) {
    u32 home = hash & (map->capacity - 1);
    for (u32 step = 0; step < map->capacity; step++) {
        u32 index = (home + step) & (map->capacity - 1);
        const Hash_Map_Entry<K, V>* entry = &map->entries[index];
        if (entry->state == Hash_Entry_State::Empty) return -1;
        if (entry->state == Hash_Entry_State::Occupied && hash_keys_equal(entry->key, key)) return index;
    }
    return -1;
}
