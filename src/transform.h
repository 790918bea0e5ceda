// transform: render objects (a mesh with a material placed by position, rotation and scale, optionally
// under a parent), their pools, and world matrices.
#pragma once

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include "vek/memory.h"

struct Mesh;
struct Material;

struct Transform {
    Mesh* mesh;           // null for pivot nodes
    Material* material;   // null for pivot nodes
    glm::vec3 position;
    glm::quat rotation;   // w, x, y, z
    glm::vec3 scale;
    Transform* parent;    // null for a root; the pose is relative to it
};

// The drawn objects of the scene; storage order is draw order and object-uniform slot order.
extern Bucket_Array<Transform> render_object_pool;
// Entry i is the render object of gem i of the live board; entry 0 is null.
extern Array_List<Transform*> gem_transforms;
// Temporary pivots of the purple swap; never drawn.
extern Bucket_Array<Transform> pivot_transform_pool;

glm::mat4 get_world_matrix(const Transform* transform);
// Attaches `child` under `parent` keeping its world pose; a null parent changes nothing.
void set_parent(Transform* child, Transform* parent);
// Detaches `node` keeping its world pose; a root is left alone.
void remove_parent(Transform* node);
