// transform: render objects and world matrices (see transform.h).
#include "transform.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtx/matrix_decompose.hpp>
#include <glm/gtx/quaternion.hpp>
#include <stdlib.h>

#include "vek/print.h"

Bucket_Array<Transform> render_object_pool;
Array_List<Transform*> gem_transforms;
Bucket_Array<Transform> pivot_transform_pool;

glm::mat4 get_world_matrix(const Transform* transform) {
    glm::mat4 local = glm::translate(glm::mat4(1.0f), transform->position) * glm::toMat4(transform->rotation);
    local = glm::scale(local, transform->scale);
    if (transform->parent == nullptr) return local;
    return get_world_matrix(transform->parent) * local;
}

// Splits a matrix back into the node's position, rotation and scale (skew and perspective dropped).
static void set_pose_from_matrix(Transform* node, const glm::mat4& matrix) {
    glm::vec3 skew;
    glm::vec4 perspective;
    glm::decompose(matrix, node->scale, node->rotation, node->position, skew, perspective);
    // glm's decompose fills the quaternion by index, which assumes x, y, z, w storage; with our w-first
    // quaternions that scrambles some rotations (a half turn about z came out about y). Rebuild it from
    // the scale-free rotation part instead.
    glm::mat3 rotation(matrix);
    for (int axis = 0; axis < 3; axis++)
        if (node->scale[axis] != 0.0f) rotation[axis] /= node->scale[axis];
    node->rotation = glm::quat_cast(rotation);
}

void set_parent(Transform* child, Transform* parent) {
    if (parent == nullptr) return;
    if (child->parent != nullptr) {
        println("WARN: child already has parent");
        fflush(print_stream);
        abort();
    }
    set_pose_from_matrix(child, glm::inverse(get_world_matrix(parent)) * get_world_matrix(child));
    child->parent = parent;
}

void remove_parent(Transform* node) {
    if (node->parent == nullptr) return;
    set_pose_from_matrix(node, get_world_matrix(node));
    node->parent = nullptr;
}
