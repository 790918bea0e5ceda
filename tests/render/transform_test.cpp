// Render objects: world matrices through parents, attaching and detaching that keep the world pose.
#include <gtest/gtest.h>
#include <signal.h>

#include <glm/gtc/matrix_transform.hpp>

#include "panic_expect.h"
#include "transform.h"
#include "vek/math_print.h"

namespace {

Transform node_at(glm::vec3 position) {
    return Transform{nullptr, nullptr, position, identity_quat, glm::vec3(1.0f), nullptr};
}

glm::vec3 world_position(const Transform* t) { return glm::vec3(get_world_matrix(t)[3]); }

void expect_near(glm::vec3 a, glm::vec3 b) {
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

void expect_near(const glm::mat4& a, const glm::mat4& b) {
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++) EXPECT_NEAR(a[c][r], b[c][r], 1e-5f) << "column " << c << " row " << r;
}

TEST(RenderObjectWorldMatrix, RootIsTranslateRotateScale) {
    Transform root = node_at({2, 3, 0});
    EXPECT_EQ(get_world_matrix(&root)[3], glm::vec4(2, 3, 0, 1));

    // Quarter turn about z, then a scale of 2 in x: the local x axis becomes world +y, twice as long.
    root.rotation = glm::angleAxis(glm::half_pi<f32>(), glm::vec3(0, 0, 1));
    root.scale = {2, 1, 1};
    glm::mat4 m = get_world_matrix(&root);
    expect_near(glm::vec3(m[0]), {0, 2, 0});
    expect_near(glm::vec3(m[1]), {-1, 0, 0});
    expect_near(glm::vec3(m * glm::vec4(1, 0, 0, 1)), {2, 5, 0});
}

TEST(RenderObjectWorldMatrix, ChildFollowsItsParent) {
    Transform parent = node_at({10, 0, 0});
    parent.rotation = glm::angleAxis(glm::half_pi<f32>(), glm::vec3(0, 0, 1));
    parent.scale = glm::vec3(2.0f);
    Transform child = node_at({1, 0, 0});
    child.parent = &parent;
    // Local (1, 0, 0) scaled by 2 and turned a quarter: 2 units along +y from the parent.
    expect_near(world_position(&child), {10, 2, 0});
    Transform unparented = node_at({1, 0, 0});
    expect_near(get_world_matrix(&child), get_world_matrix(&parent) * get_world_matrix(&unparented));
}

TEST(RenderObjectParenting, AttachAndDetachKeepTheWorldPose) {
    Transform pivot = node_at({0.5f, 0, 0});
    pivot.rotation = glm::angleAxis(0.3f, glm::normalize(glm::vec3(1, 2, 3)));
    Transform node = node_at({1, 2, 3});
    node.rotation = glm::angleAxis(1.1f, glm::vec3(0, 1, 0));
    node.scale = {1, 2, 3};
    glm::mat4 before = get_world_matrix(&node);

    set_parent(&node, &pivot);
    EXPECT_EQ(node.parent, &pivot);
    expect_near(get_world_matrix(&node), before);

    remove_parent(&node);
    EXPECT_EQ(node.parent, nullptr);
    expect_near(get_world_matrix(&node), before);
    expect_near(node.position, {1, 2, 3});
    expect_near(node.scale, {1, 2, 3});
}

TEST(RenderObjectParenting, HalfTurnOfAPivotSwapsPlaces) {
    Transform pivot = node_at({0.5f, 0, 0});
    Transform left = node_at({0, 0, 0});
    Transform right = node_at({1, 0, 0});
    set_parent(&left, &pivot);
    set_parent(&right, &pivot);
    expect_near(right.position, {0.5f, 0, 0});
    expect_near(left.position, {-0.5f, 0, 0});

    pivot.rotation = glm::angleAxis(glm::pi<f32>(), glm::vec3(0, 0, 1));
    expect_near(world_position(&right), {0, 0, 0});
    expect_near(world_position(&left), {1, 0, 0});

    remove_parent(&right);
    remove_parent(&left);
    expect_near(right.position, {0, 0, 0});
    expect_near(left.position, {1, 0, 0});
    // The half turn stays with the gem: its own x axis now points along world -x.
    expect_near(glm::vec3(get_world_matrix(&right)[0]), {-1, 0, 0});
    expect_near(right.scale, {1, 1, 1});
}

TEST(RenderObjectParenting, NullParentAndRootAreLeftAlone) {
    Transform node = node_at({4, 5, 6});
    set_parent(&node, nullptr);
    remove_parent(&node);
    EXPECT_EQ(node.parent, nullptr);
    EXPECT_EQ(node.position, glm::vec3(4, 5, 6));
    EXPECT_EQ(node.rotation, identity_quat);
}

TEST(RenderObjectParentingDeathTest, SecondParentStopsTheProgram) {
    ensure_printer();
    auto attach_twice = [] {
        dup2(2, 1);
        Transform a = node_at({0, 0, 0}), b = node_at({1, 0, 0}), child = node_at({2, 0, 0});
        set_parent(&child, &a);
        set_parent(&child, &b);
    };
    EXPECT_EXIT(attach_twice(), testing::KilledBySignal(SIGABRT), "WARN: child already has parent");
}

}  // namespace
