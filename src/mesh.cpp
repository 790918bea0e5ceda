// mesh: vertex layout, OBJ reading and mesh upload (see mesh.h).
#include "mesh.h"

#include <stdio.h>
#include <initializer_list>

#include "io.h"

Bucket_Array<Mesh> mesh_pool;

// ---------------------------------------------------------------------------------------------------
// OBJ reading. The text is untrusted: every read goes through the length, never past it.

struct Obj_Reader {
    const char* text;
    u64 length;
    u64 pos;
    const char* name;
};

static char peek(const Obj_Reader* r, u64 at) { return at < r->length ? r->text[at] : 0; }
static bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
static bool is_digit(char c) { return c >= '0' && c <= '9'; }
static bool is_line_end(char c) { return c == '\n' || c == '\r' || c == 0; }

static void skip_spaces(Obj_Reader* r) {
    while (r->pos < r->length && is_space(r->text[r->pos])) r->pos++;
}

// Decimal number with optional "-" and fraction, no exponent. Missing digits read as 0.
static f32 read_float(Obj_Reader* r) {
    skip_spaces(r);
    s32 sign = 1;
    if (peek(r, r->pos) == '-') {
        sign = -1;
        r->pos++;
    }
    u64 n = 0;
    while (is_digit(peek(r, r->pos))) n = n * 10 + (u64)(r->text[r->pos++] - '0');
    if (peek(r, r->pos) != '.') return (f32)sign * (f32)n;
    r->pos++;
    // A 32-bit divisor holds nine fraction digits; further digits are read past and dropped, they lie
    // below single precision anyway.
    s32 divisor = 1;
    u32 digits = 0;
    while (is_digit(peek(r, r->pos))) {
        if (digits < 9) {
            n = n * 10 + (u64)(r->text[r->pos] - '0');
            divisor *= 10;
            digits++;
        }
        r->pos++;
    }
    return (f32)n / (f32)(sign * divisor);
}

static void check_not_cut_off(const Obj_Reader* r) {
    if (r->pos >= r->length)
        panic("face cut off by the end of the file at offset %llu in %s", (unsigned long long)r->pos, r->name);
}

// One 1-based index of a face corner. Relative (negative), zero and missing indices are refused.
static u64 read_index(Obj_Reader* r) {
    skip_spaces(r);
    check_not_cut_off(r);
    char c = r->text[r->pos];
    if (c == '-')
        panic("negative index at offset %llu in %s (relative indices are not supported)",
              (unsigned long long)r->pos, r->name);
    if (!is_digit(c)) panic("missing index at offset %llu in %s", (unsigned long long)r->pos, r->name);
    u64 start = r->pos;
    u64 n = 0;
    // Anything beyond 32 bits is out of range for every list; stop growing so nothing wraps.
    while (is_digit(peek(r, r->pos))) {
        if (n <= 0xFFFFFFFFull) n = n * 10 + (u64)(r->text[r->pos] - '0');
        r->pos++;
    }
    if (n == 0) panic("index 0 at offset %llu in %s (indices start at 1)", (unsigned long long)start, r->name);
    return n;
}

static void read_separator(Obj_Reader* r) {
    check_not_cut_off(r);
    if (r->text[r->pos] != '/')
        panic("missing separator \"/\" at offset %llu in %s", (unsigned long long)r->pos, r->name);
    r->pos++;
}

static void check_index_range(u64 index, u32 count, const char* kind, u64 offset, const char* name) {
    if (index >= count)
        panic("%s index %llu out of range at offset %llu in %s (%u read)", kind, (unsigned long long)index + 1,
              (unsigned long long)offset, name, count);
}

void parse_obj(Mesh* mesh, const char* text, u64 length, const char* name) {
    array_list_init(&mesh->vertices, 16);
    array_list_init(&mesh->indices, 16);
    mesh->vertex_buffer = VK_NULL_HANDLE;
    mesh->index_buffer = VK_NULL_HANDLE;
    mesh->vertex_memory = VK_NULL_HANDLE;
    mesh->index_memory = VK_NULL_HANDLE;
    // Keeps every list count far below 2^31, where doubling would overflow.
    if (length > (1ull << 30)) panic("OBJ file %s is too large (%llu bytes)", name, (unsigned long long)length);

    Array_List<f32> positions, normals, uvs;
    Array_List<Vertex_Key> corners;
    Array_List<u64> corner_offsets;
    array_list_init(&positions, 512);
    array_list_init(&normals, 512);
    array_list_init(&uvs, 512);
    array_list_init(&corners, 512);
    array_list_init(&corner_offsets, 512);

    Obj_Reader reader = {text, length, 0, name};
    Obj_Reader* r = &reader;
    for (;;) {
        // Whitespace, comments and the elements the game does not use (l, mtllib, o, s, usemtl).
        for (;;) {
            char c = peek(r, r->pos);
            if (r->pos < length && is_space(c)) {
                r->pos++;
            } else if (c == '#' || c == 'l' || c == 'm' || c == 'o' || c == 's' || c == 'u') {
                while (!is_line_end(peek(r, r->pos))) r->pos++;
            } else {
                break;
            }
        }
        if (r->pos >= length) break;

        char marker = text[r->pos];
        if (marker == 'f') {
            r->pos++;
            for (u32 corner = 0; corner < 3; corner++) {
                skip_spaces(r);
                u64 offset = r->pos;
                u64 a = read_index(r);
                read_separator(r);
                u64 b = read_index(r);
                read_separator(r);
                u64 c = read_index(r);
                array_list_push(&corners, Vertex_Key{a - 1, c - 1, b - 1});
                array_list_push(&corner_offsets, offset);
            }
        } else if (marker == 'v') {
            char next = peek(r, r->pos + 1);
            if (next == ' ') {
                r->pos += 2;
                for (u32 i = 0; i < 3; i++) array_list_push(&positions, read_float(r));
            } else if (next == 't') {
                r->pos += 2;
                f32 u = read_float(r);
                f32 v = read_float(r);
                array_list_push(&uvs, u);
                array_list_push(&uvs, 1.0f - v);
            } else if (next == 'n') {
                r->pos += 2;
                for (u32 i = 0; i < 3; i++) array_list_push(&normals, read_float(r));
            } else {
                panic("unknown marker \"v%c\" at %u in %s", next, (u32)(r->pos + 1), name);
            }
        } else {
            panic("unknown marker \"%c\" (pos: %ld) in %s", marker, (long)r->pos, name);
        }
    }

    if (corners.count > 0) {
        // Faces may refer to elements further down the file, so indices are checked only now.
        u32 position_count = positions.count / 3, uv_count = uvs.count / 2, normal_count = normals.count / 3;
        for (u32 k = 0; k < corners.count; k++) {
            check_index_range(corners.data[k].position, position_count, "position", corner_offsets.data[k], name);
            check_index_range(corners.data[k].uv, uv_count, "texture coordinate", corner_offsets.data[k], name);
            check_index_range(corners.data[k].normal, normal_count, "normal", corner_offsets.data[k], name);
        }

        u32 capacity = 1;
        while (capacity < corners.count) capacity *= 2;
        Hash_Map<Vertex_Key, u32> seen;
        hash_map_init(&seen, capacity);
        for (u32 k = 0; k < corners.count; k++) {
            const Vertex_Key* key = &corners.data[k];
            u32 hash = hash_vertex_key(key);
            s64 found = hash_map_get(&seen, *key, hash);
            if (found >= 0) {
                array_list_push(&mesh->indices, seen.entries[found].value);
                continue;
            }
            const f32* p = &positions.data[3 * key->position];
            const f32* t = &uvs.data[2 * key->uv];
            const f32* n = &normals.data[3 * key->normal];
            Vertex vertex = {{p[0], p[1], p[2]}, {t[0], t[1]}, {n[0], n[1], n[2]}};
            u32 index = mesh->vertices.count;
            array_list_push(&mesh->vertices, vertex);
            array_list_push(&mesh->indices, index);
            hash_map_insert(&seen, *key, index, hash);
        }
        hash_map_free(&seen);
    }

    array_list_free(&positions);
    array_list_free(&normals);
    array_list_free(&uvs);
    array_list_free(&corners);
    array_list_free(&corner_offsets);
}

Mesh* load_obj(const char* path) {
    Str file;
    read_entire_file(&file, path);
    Mesh* mesh = bucket_array_alloc(&mesh_pool);
    parse_obj(mesh, file.data, file.length, path);
    free(file.data);
    // A mesh with nothing to draw would fail much later, in a buffer of size 0 that names no file.
    if (mesh->indices.count == 0) panic("OBJ file %s has no faces", path);
    return mesh;
}

u32 hash_vertex_key(const Vertex_Key* key) {
    auto rotl5 = [](u32 x) { return (x << 5) | (x >> 27); };
    return rotl5(rotl5((u32)key->position) ^ (u32)key->normal) ^ (u32)key->uv;
}

// ---------------------------------------------------------------------------------------------------
// GPU side

void upload_mesh(Mesh* mesh) {
    if (mesh->index_buffer != VK_NULL_HANDLE) return;
    create_and_upload_buffer(mesh->vertices.data, mesh->vertices.count * (u32)sizeof(Vertex),
                             VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, &mesh->vertex_buffer, &mesh->vertex_memory);
    create_and_upload_buffer(mesh->indices.data, mesh->indices.count * (u32)sizeof(u32),
                             VK_BUFFER_USAGE_INDEX_BUFFER_BIT, &mesh->index_buffer, &mesh->index_memory);
}

VkVertexInputBindingDescription get_vertex_binding_description() {
    return {0, sizeof(Vertex), VK_VERTEX_INPUT_RATE_VERTEX};
}

Array_List<VkVertexInputAttributeDescription> get_vertex_attribute_descriptions() {
    Array_List<VkVertexInputAttributeDescription> attributes;
    array_list_init(&attributes, 3);
    array_list_push(&attributes, {0, 0, VK_FORMAT_R32G32B32_SFLOAT, (u32)offsetof(Vertex, position)});
    array_list_push(&attributes, {1, 0, VK_FORMAT_R32G32_SFLOAT, (u32)offsetof(Vertex, uv)});
    array_list_push(&attributes, {2, 0, VK_FORMAT_R32G32B32_SFLOAT, (u32)offsetof(Vertex, normal)});
    return attributes;
}

// ---------------------------------------------------------------------------------------------------
// Helpers kept for development

glm::vec3 compute_tangent(const Vertex* a, const Vertex* b, const Vertex* c) {
    glm::vec3 e1 = b->position - a->position;
    glm::vec3 e2 = c->position - a->position;
    glm::vec2 d1 = b->uv - a->uv;
    glm::vec2 d2 = c->uv - a->uv;
    f32 f = 1.0f / (d1.x * d2.y - d2.x * d1.y);
    return f * (d2.y * e1 - d1.y * e2);
}

Array_List<Vertex> quad_vertices() {
    Array_List<Vertex> vertices;
    array_list_init(&vertices, 4);
    array_list_push(&vertices, Vertex{{-0.5f, -0.5f, 0.0f}, {0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}});
    array_list_push(&vertices, Vertex{{0.5f, 0.5f, 0.0f}, {1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}});
    array_list_push(&vertices, Vertex{{-0.5f, 0.5f, 0.0f}, {0.0f, 1.0f}, {0.0f, 0.0f, 0.0f}});
    array_list_push(&vertices, Vertex{{0.5f, -0.5f, 0.0f}, {1.0f, 0.0f}, {0.0f, 0.0f, 0.0f}});
    return vertices;
}

Array_List<u32> quad_indices() {
    Array_List<u32> indices;
    array_list_init(&indices, 6);
    for (u32 index : {1u, 2u, 0u, 3u, 1u, 0u}) array_list_push(&indices, index);
    return indices;
}

void mesh_print(const Mesh* mesh) {
    for (u32 i = 0; i < mesh->vertices.count; i++) {
        const Vertex* v = &mesh->vertices.data[i];
        printf("pos: %f %f %f\n", v->position.x, v->position.y, v->position.z);
        printf("normal: %f %f %f\n", v->normal.x, v->normal.y, v->normal.z);
        printf("uv_coord: %f %f\n\n", v->uv.x, v->uv.y);
    }
    for (u32 i = 0; i < mesh->indices.count; i++) printf("%u\n", mesh->indices.data[i]);
    printf("vertices count: %i\n", (int)mesh->vertices.count);
    printf("indices count: %i\n", (int)mesh->indices.count);
}
