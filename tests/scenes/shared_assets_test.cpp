// register_scenes with the generated assets: every shared mesh and material read from its own file into
// its own record, the level backdrops pointing at them, and a repeated call changing nothing.
#include <gtest/gtest.h>

#include <stb_image.h>

#include "image.h"
#include "mesh.h"
#include "scene_fixture.h"

namespace {

// True when the image holds exactly the pixels of the file.
bool has_pixels_of(const Image* image, const char* path) {
    int w = 0, h = 0, channels = 0;
    u8* pixels = stbi_load(path, &w, &h, &channels, 4);
    if (pixels == nullptr) return false;
    bool same = image->loaded && image->width == (u32)w && image->height == (u32)h &&
                memcmp(image->pixels, pixels, (size_t)w * h * 4) == 0;
    stbi_image_free(pixels);
    return same;
}

// Mesh records made so far (the pool is never released from here).
u32 mesh_records() { return mesh_pool.block_index * mesh_pool.items_per_block + mesh_pool.next_in_block; }
u32 material_records() {
    return material_pool.block_index * material_pool.items_per_block + material_pool.next_in_block;
}

class SceneSharedAssets : public Scene_Test {
protected:
    void SetUp() override {
        Scene_Test::SetUp();
        bucket_array_init(&mesh_pool);
        bucket_array_init(&material_pool);
    }
};

TEST_F(SceneSharedAssets, RegisterScenesLoadsEveryAssetOnceAndBuildsThePlayOrder) {
    // The intro is built before any asset exists and uses none.
    build_scene_intro();
    register_scenes();
    ASSERT_EQ(Scene_Registry.count, 21u);
    EXPECT_STREQ(Scene_Registry.data[1]->name, "main_menu");
    EXPECT_STREQ(Scene_Registry.data[20]->name, "zindo_fun_time");
    // Two plane loads and seven gem loads; eight board and finish materials and seven gem materials.
    EXPECT_EQ(mesh_records(), 9u);
    EXPECT_EQ(material_records(), 15u);

    // Loads are per use: one file read several times still gives separate records.
    EXPECT_NE(backdrop_mesh, finish_mesh);
    EXPECT_EQ(backdrop_mesh->vertices.count, finish_mesh->vertices.count);
    EXPECT_NE(gem_assets.yellow.mesh, gem_assets.white.mesh);
    EXPECT_NE(gem_assets.yellow.mesh, gem_assets.black.mesh);
    EXPECT_NE(gem_assets.red.mesh, gem_assets.yellow.mesh);
    EXPECT_NE(gem_assets.red.material, gem_assets.yellow.material);
    EXPECT_NE(grid_material, gem_assets.black.material);
    Mesh* black_shape = load_obj("meshes/black_gem.obj");
    for (Mesh* mesh : {gem_assets.yellow.mesh, gem_assets.white.mesh, gem_assets.black.mesh}) {
        ASSERT_EQ(mesh->indices.count, black_shape->indices.count);
        EXPECT_EQ(memcmp(mesh->vertices.data, black_shape->vertices.data, mesh->vertices.count * sizeof(Vertex)), 0);
    }
    // Nothing went to the GPU.
    EXPECT_EQ(backdrop_mesh->index_buffer, VK_NULL_HANDLE);
    EXPECT_FALSE(board_material->albedo.uploaded);

    struct Expected_Texture {
        Material* material;
        const char* albedo;
    };
    const Expected_Texture textures[] = {
        {grid_material, "textures/black.png"},
        {board_material, "textures/board.jpg"},
        {finish_material_of(Gem_Type::Red), "textures/finish_textures/red_finish.png"},
        {finish_material_of(Gem_Type::Blue), "textures/finish_textures/blue_finish.png"},
        {finish_material_of(Gem_Type::Grey), "textures/finish_textures/grey_finish.png"},
        {finish_material_of(Gem_Type::Purple), "textures/finish_textures/purple_finish.png"},
        {finish_material_of(Gem_Type::White), "textures/finish_textures/white_finish.png"},
        {finish_material_of(Gem_Type::Yellow), "textures/finish_textures/yellow_finish.png"},
        {gem_asset_of(Gem_Type::Red)->material, "textures/red.png"},
        {gem_asset_of(Gem_Type::Yellow)->material, "textures/yellow.png"},
        {gem_asset_of(Gem_Type::Blue)->material, "textures/cyan.png"},
        {gem_asset_of(Gem_Type::Purple)->material, "textures/purple.png"},
        {gem_asset_of(Gem_Type::White)->material, "textures/white.png"},
        {gem_asset_of(Gem_Type::Grey)->material, "textures/grey.png"},
        {gem_asset_of(Gem_Type::Black)->material, "textures/black.png"},
    };
    for (const Expected_Texture& t : textures) {
        ASSERT_NE(t.material, nullptr) << t.albedo;
        EXPECT_TRUE(has_pixels_of(&t.material->albedo, t.albedo)) << t.albedo;
        EXPECT_TRUE(has_pixels_of(&t.material->normal_map, "textures/default_normal.png")) << t.albedo;
        EXPECT_EQ(t.material->descriptor_set, VK_NULL_HANDLE);
    }
    EXPECT_EQ(finish_material_of(Gem_Type::Black), nullptr);
    EXPECT_EQ(finish_material_of(Gem_Type::None), nullptr);
    EXPECT_EQ(gem_asset_of(Gem_Type::None), nullptr);

    // The menu and every level draw the loaded backdrop.
    for (u32 n = 1; n < Scene_Registry.count; n++) {
        const Transform& backdrop = Scene_Registry.data[n]->extra_objects.data[0];
        EXPECT_EQ(backdrop.mesh, backdrop_mesh) << n;
        EXPECT_EQ(backdrop.material, board_material) << n;
    }

    // A second call (a restart of the intro before it finished) neither reloads nor appends.
    u32 meshes = mesh_records(), materials = material_records();
    Mesh* backdrop_before = backdrop_mesh;
    register_scenes();
    EXPECT_EQ(Scene_Registry.count, 21u);
    EXPECT_EQ(mesh_records(), meshes);
    EXPECT_EQ(material_records(), materials);
    EXPECT_EQ(backdrop_mesh, backdrop_before);
}

}  // namespace
