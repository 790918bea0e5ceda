// The registry in play order: the intro first, then what register_scenes builds, its growth and the
// stability of scene pointers across it.
#include <gtest/gtest.h>

#include "scene_fixture.h"

namespace {

const char* const play_order[] = {
    "intro", "main_menu", "red_intro_0", "red_intro_1", "red_easy_three", "black_intro_0", "black_intro_1",
    "red_hardy", "introducing_zindo_grey", "grey_intro_0", "yellow_intro_0", "gaga_gaijin", "yellow_intro_1",
    "yellow_intro_2", "purple_intro_0", "blaui_schlaui", "three_head", "crazy_1D", "spicy_nicey",
    "poggie_woggie", "zindo_fun_time",
};

class SceneRegistry : public Scene_Test {};

TEST_F(SceneRegistry, HoldsTheIntroThenEveryRegisteredSceneInPlayOrder) {
    build_scene_intro();
    ASSERT_EQ(Scene_Registry.count, 1u);
    Scene* intro = Scene_Registry.data[0];
    const Playing_Field* intro_field = &intro->field;

    build_registered_scenes();
    ASSERT_EQ(Scene_Registry.count, std::size(play_order));
    for (u32 n = 0; n < Scene_Registry.count; n++) EXPECT_STREQ(Scene_Registry.data[n]->name, play_order[n]) << n;

    // 21 scenes: the registry doubled once, the pool filled its first bucket and part of a second, and the
    // intro's record did not move.
    EXPECT_EQ(Scene_Registry.capacity, 32u);
    EXPECT_EQ(scene_pool.block_index, 1u);
    EXPECT_EQ(scene_pool.next_in_block, 5u);
    EXPECT_EQ(Scene_Registry.data[0], intro);
    EXPECT_EQ(&Scene_Registry.data[0]->field, intro_field);
    EXPECT_STREQ(intro->name, "intro");

    // Every entry is its own record.
    for (u32 a = 0; a < Scene_Registry.count; a++)
        for (u32 b = a + 1; b < Scene_Registry.count; b++) EXPECT_NE(Scene_Registry.data[a], Scene_Registry.data[b]);
}

TEST_F(SceneRegistry, UnplayedBuildersStillAppendOneSceneEach) {
    void (*const unplayed[])() = {build_scene_auto_finishes, build_scene_white_purple_shake, build_scene_blue_power,
                                  build_scene_brutol_red, build_scene_kalto_pepega, build_scene_netflix_and_chill};
    for (auto builder : unplayed) build(builder);
    EXPECT_EQ(Scene_Registry.count, std::size(unplayed));
}

}  // namespace
