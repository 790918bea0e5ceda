// The board grid: vertex and index counts, strip placement and winding.
#include <gtest/gtest.h>

#include "mesh.h"
#include "scenes.h"

namespace {

class Grid_Mesh : public ::testing::Test {
protected:
    void SetUp() override { bucket_array_init(&mesh_pool); }
    void TearDown() override { bucket_array_destroy(&mesh_pool); }
};

// Signed area of a triangle seen from +z: positive when counter-clockwise.
f32 area_from_above(const Mesh* mesh, u32 first_index) {
    glm::vec3 a = mesh->vertices.data[mesh->indices.data[first_index]].position;
    glm::vec3 b = mesh->vertices.data[mesh->indices.data[first_index + 1]].position;
    glm::vec3 c = mesh->vertices.data[mesh->indices.data[first_index + 2]].position;
    return glm::cross(b - a, c - a).z;
}

TEST_F(Grid_Mesh, MainMenuBoardHasOneStripPerRowAndColumnWoundTowardsTheCamera) {
    Mesh* mesh = create_grid_mesh(10, 5);
    ASSERT_EQ(mesh->vertices.count, 60u);
    ASSERT_EQ(mesh->indices.count, 90u);
    EXPECT_EQ(mesh->index_buffer, VK_NULL_HANDLE);
    for (u32 i = 0; i < mesh->indices.count; i += 3) EXPECT_GT(area_from_above(mesh, i), 0.0f) << "triangle " << i / 3;
    for (u32 i = 0; i < mesh->indices.count; i++) EXPECT_LT(mesh->indices.data[i], 60u);
    for (u32 v = 0; v < 60; v++) {
        EXPECT_EQ(mesh->vertices.data[v].position.z, 0.0f);
        EXPECT_EQ(mesh->vertices.data[v].normal, glm::vec3(0, 0, 1));
    }
    // Row 3 runs from the centre of cell (0, 3) to that of (9, 3), 0.03 wide.
    const Vertex* row = &mesh->vertices.data[4 * 3];
    EXPECT_EQ(row[0].position, glm::vec3(0, 3, 0));
    EXPECT_EQ(row[1].position, glm::vec3(0, 3.03f, 0));
    EXPECT_EQ(row[2].position, glm::vec3(9, 3.03f, 0));
    EXPECT_EQ(row[3].position, glm::vec3(9, 3, 0));
    EXPECT_EQ(row[1].uv, glm::vec2(1, 0));
    // Columns follow the five rows: column 7 from (7, 0) to (7, 4).
    const Vertex* column = &mesh->vertices.data[4 * 5 + 4 * 7];
    EXPECT_EQ(column[0].position, glm::vec3(7, 0, 0));
    EXPECT_EQ(column[2].position, glm::vec3(7.03f, 4, 0));
    // First row's indices in their stated order.
    const u32 first[6] = {3, 2, 1, 3, 1, 0};
    for (u32 i = 0; i < 6; i++) EXPECT_EQ(mesh->indices.data[i], first[i]);
    const u32 first_column[6] = {22, 23, 21, 21, 23, 20};
    for (u32 i = 0; i < 6; i++) EXPECT_EQ(mesh->indices.data[30 + i], first_column[i]);
}

TEST_F(Grid_Mesh, OneCellBoardHasZeroLengthStripsAndNothingElse) {
    Mesh* mesh = create_grid_mesh(1, 1);
    ASSERT_EQ(mesh->vertices.count, 8u);
    ASSERT_EQ(mesh->indices.count, 12u);
    for (u32 v = 0; v < 8; v++) {
        EXPECT_GE(mesh->vertices.data[v].position.x, 0.0f);
        EXPECT_LE(mesh->vertices.data[v].position.x, 0.03f);
        EXPECT_LE(mesh->vertices.data[v].position.y, 0.03f);
    }
}

}  // namespace
