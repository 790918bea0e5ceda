// mesh: the 32-byte vertex layout, meshes in system and GPU memory, and the OBJ reader that
// de-duplicates face corners into shared vertices.
#pragma once

#include <glm/glm.hpp>

#include "vek/hash_map.h"
#include "vkinter.h"

struct Vertex {
    glm::vec3 position;
    glm::vec2 uv;       // v already flipped
    glm::vec3 normal;   // as read, not normalised
};
static_assert(sizeof(Vertex) == 32, "the vertex input expects tightly packed 32-byte vertices");

struct Mesh {
    Array_List<Vertex> vertices;
    Array_List<u32> indices;   // triangle list
    VkBuffer vertex_buffer;
    VkBuffer index_buffer;     // non-null once the mesh is on the GPU
    VkDeviceMemory vertex_memory;
    VkDeviceMemory index_memory;
};

// One face corner: zero-based indices into the positions, normals and texture coordinates read.
struct Vertex_Key {
    u64 position;
    u64 normal;
    u64 uv;
};

inline bool hash_keys_equal(const Vertex_Key& a, const Vertex_Key& b) {
    return a.position == b.position && a.normal == b.normal && a.uv == b.uv;
}

extern Bucket_Array<Mesh> mesh_pool;

// Reads an OBJ file into a new mesh from `mesh_pool`. Bad input, a file without faces among it, is a
// panic naming the file.
Mesh* load_obj(const char* path);
// Initialises `mesh` and fills it from the OBJ text of `length` bytes; `name` names it in panics.
void parse_obj(Mesh* mesh, const char* text, u64 length, const char* name);
// Puts the vertices and indices into device-local buffers, once.
void upload_mesh(Mesh* mesh);

VkVertexInputBindingDescription get_vertex_binding_description();
Array_List<VkVertexInputAttributeDescription> get_vertex_attribute_descriptions();
u32 hash_vertex_key(const Vertex_Key* key);

glm::vec3 compute_tangent(const Vertex* a, const Vertex* b, const Vertex* c);
Array_List<Vertex> quad_vertices();
Array_List<u32> quad_indices();
void mesh_print(const Mesh* mesh);
