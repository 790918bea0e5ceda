// The game's own functions on a real window: start-up through the intro into the main menu, the render
// objects and opening move of a load, reloads that allocate nothing new, the level end with its
// progression, and restarts during a level end. Runs in definition order on one game.
#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include "app.h"
#include "audio.h"
#include "image.h"
#include "imgui_inter.h"
#include "in_process.h"
#include "mesh.h"
#include "scenes.h"
#include "transform.h"
#include "vkinter.h"

namespace {

const f32 fifty_degrees = 0.8726646f;

std::vector<Transform*> live_objects() {
    std::vector<Transform*> objects;
    bucket_array_for_each(&render_object_pool, [&](Transform* t) { objects.push_back(t); });
    return objects;
}

u32 live_meshes() {
    u32 n = 0;
    bucket_array_for_each(&mesh_pool, [&](Mesh*) { n++; });
    return n;
}

bool near(glm::vec3 a, glm::vec3 b) { return glm::length(a - b) < 1e-4f; }

// Live GPU memory blocks and buffers, counted through the game's own entry-point table (the names
// are macros naming its fields).
s64 live_memories = 0;
s64 live_buffers = 0;
PFN_vkAllocateMemory real_allocate_memory;
PFN_vkFreeMemory real_free_memory;
PFN_vkCreateBuffer real_create_buffer;
PFN_vkDestroyBuffer real_destroy_buffer;

void count_gpu_objects() {
    if (real_allocate_memory) return;
    real_allocate_memory = vkAllocateMemory;
    real_free_memory = vkFreeMemory;
    real_create_buffer = vkCreateBuffer;
    real_destroy_buffer = vkDestroyBuffer;
    vkAllocateMemory = [](VkDevice d, const VkMemoryAllocateInfo* i, const VkAllocationCallbacks* a,
                                          VkDeviceMemory* m) {
        live_memories++;
        return real_allocate_memory(d, i, a, m);
    };
    vkFreeMemory = [](VkDevice d, VkDeviceMemory m, const VkAllocationCallbacks* a) {
        if (m) live_memories--;
        real_free_memory(d, m, a);
    };
    vkCreateBuffer = [](VkDevice d, const VkBufferCreateInfo* i, const VkAllocationCallbacks* a,
                                        VkBuffer* b) {
        live_buffers++;
        return real_create_buffer(d, i, a, b);
    };
    vkDestroyBuffer = [](VkDevice d, VkBuffer b, const VkAllocationCallbacks* a) {
        if (b) live_buffers--;
        real_destroy_buffer(d, b, a);
    };
}

bool unlocked() { return animation_lock == 0; }

// Presses and releases the left button with the cursor over two board cells, through the game's
// mouse handler.
void drag(Pos from, Pos to) {
    glm::dvec2 a = window_point_of(glm::vec3(from.x, from.y, 0));
    glm::dvec2 b = window_point_of(glm::vec3(to.x, to.y, 0));
    glfwSetCursorPos(window, a.x, a.y);
    mouse_button_callback(window, GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0);
    run_game_frame();
    glfwSetCursorPos(window, b.x, b.y);
    run_game_frame();
    mouse_button_callback(window, GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE, 0);
}

void load_and_settle(u32 id) {
    load_scene(id);
    EXPECT_TRUE(run_game_until(unlocked));
}

TEST(GameStart, IntroShowsTheLoadingPictureThenTheMenuOpensWithItsLogo) {
    start_game_once();
    EXPECT_EQ(scene_id, 0u);
    EXPECT_EQ(Scene_Registry.count, 1u);
    EXPECT_EQ(renderer.clear_color, glm::vec3(1, 1, 1));
    EXPECT_TRUE(live_objects().empty());
    EXPECT_EQ(gem_transforms.count, 1u);
    EXPECT_EQ(grid_mesh, nullptr);
    EXPECT_EQ(animation_lock, 1);
    EXPECT_EQ(overlay_image, Overlay_Image::Loading);
    EXPECT_EQ(overlay_alpha, 1.0f);

    // The overlay's window shows from its second frame on. The first frame, slow under the validation
    // layer, yields a step above half a second that counts as 0, so the intro is still on.
    run_game_frame();
    run_game_frame();
    if (scene_id == 0) {
        // No frames meanwhile: the window keeps the intro once its last image has reached the screen.
        Screenshot intro = settled(capture_window);
        save_png(intro, "intro");
        glm::vec3 corner = intro.mean({20, 20}, 4);
        EXPECT_GT(corner.r + corner.g + corner.b, 3 * 240.0f) << "the intro clears to white";
        // The logo stands in the middle of the white window.
        glm::vec3 middle = intro.mean({800, 400}, 150);
        EXPECT_LT(middle.r + middle.g + middle.b, 3 * 230.0f) << "the loading picture with the logo shows";
    } else {
        printf("the intro's frames were quick enough to load the menu at once; no picture to check\n");
    }

    ASSERT_TRUE(run_game_until([] { return scene_id == 1; })) << "the main menu never loaded";
    double loaded_at = game_seconds;
    ASSERT_EQ(Scene_Registry.count, 21u);
    EXPECT_STREQ(Scene_Registry.data[1]->name, "main_menu");
    EXPECT_STREQ(Scene_Registry.data[20]->name, "zindo_fun_time");
    EXPECT_EQ(renderer.clear_color, glm::vec3(0, 0, 0));
    EXPECT_EQ(overlay_image, Overlay_Image::Logo);
    EXPECT_EQ(logo_shown, 1);

    // Gem, backdrop, grid, finish: the draw order.
    std::vector<Transform*> objects = live_objects();
    ASSERT_EQ(objects.size(), 4u);
    EXPECT_EQ(objects[0]->mesh, gem_assets.red.mesh);
    EXPECT_TRUE(near(objects[0]->position, glm::vec3(6, 2, 0)));
    EXPECT_TRUE(near(objects[0]->scale, glm::vec3(0.3f)));
    EXPECT_EQ(objects[1]->mesh, backdrop_mesh);
    EXPECT_TRUE(near(objects[1]->position, glm::vec3(3, 2, -0.01f)));
    EXPECT_EQ(objects[2]->mesh, grid_mesh);
    ASSERT_NE(grid_mesh, nullptr);
    EXPECT_EQ(grid_mesh->vertices.count, 60u);
    EXPECT_NE(grid_mesh->index_buffer, VK_NULL_HANDLE);
    EXPECT_TRUE(near(objects[2]->position, glm::vec3(0, 0, 0.02f)));
    EXPECT_EQ(objects[3]->mesh, finish_mesh);
    EXPECT_EQ(objects[3]->material, red_finish_material);
    EXPECT_TRUE(near(objects[3]->position, glm::vec3(5, 2, 0.01f)));
    ASSERT_EQ(gem_transforms.count, 2u);
    EXPECT_EQ(gem_transforms.data[0], nullptr);
    EXPECT_EQ(gem_transforms.data[1], objects[0]);
    for (Transform* t : objects) EXPECT_NE(t->material->descriptor_set, VK_NULL_HANDLE);

    // The first opening of the menu lasts 2.5 s of game time, narrowing the view to 50 degrees; the
    // logo stays at full opacity until then and is gone by 3.8 s.
    EXPECT_EQ(animation_lock, 1);
    bool logo_kept = true;
    ASSERT_TRUE(run_game_until([&] {
        if (animation_lock) logo_kept = logo_kept && overlay_alpha == 1.0f;
        return unlocked();
    }));
    expect_due(loaded_at, 2.5, "the menu's first unlock");
    EXPECT_TRUE(logo_kept) << "the logo faded before the unlock";
    EXPECT_NEAR(fov, fifty_degrees, 1e-5f);
    ASSERT_TRUE(run_game_until([] { return overlay_alpha == 0.0f; }));
    expect_due(loaded_at, 3.8, "the logo's fade");

    Screenshot menu = settled(capture_window);
    save_png(menu, "main_menu");
    glm::vec3 gem = menu.mean(window_point_of(glm::vec3(6, 2, 0.1f)), 3);
    EXPECT_GT(gem.r, gem.g + 30) << "the red gem stands on (6, 2)";
    EXPECT_GT(gem.r, gem.b + 30);
}

TEST(SceneLoading, ReloadsReplaceEverythingAndAllocateNothingNew) {
    start_game_once();
    count_gpu_objects();
    // Warm up: every scene's meshes and textures reach the GPU once in the program's life.
    for (u32 id = 1; id < Scene_Registry.count; id++) load_scene(id);
    load_and_settle(8);
    u32 meshes = live_meshes();
    s64 memories = live_memories, buffers = live_buffers;
    u32 vek_balance = vek_malloc_calls + vek_calloc_calls - vek_free_calls;
    for (int i = 0; i < 10; i++) {
        load_scene(8);
        run_game_frame();
        load_scene(1);
        run_game_frame();
    }
    load_and_settle(8);
    EXPECT_EQ(live_meshes(), meshes);
    EXPECT_EQ(live_memories, memories);
    EXPECT_EQ(live_buffers, buffers);
    EXPECT_EQ(vek_malloc_calls + vek_calloc_calls - vek_free_calls, vek_balance);

    // A later load of the menu opens in 1.0 s and shows no logo.
    load_scene(1);
    double loaded_at = game_seconds;
    EXPECT_EQ(overlay_alpha, 0.0f);
    ASSERT_TRUE(run_game_until(unlocked));
    expect_due(loaded_at, 1.0, "a later opening of the menu");
    EXPECT_EQ(overlay_alpha, 0.0f);

    // "grey_intro_0" has two black gems on one cell: both get an object there.
    load_scene(9);
    ASSERT_EQ(gem_transforms.count, 15u);
    EXPECT_TRUE(near(gem_transforms.data[5]->position, glm::vec3(0, 3, 0)));
    EXPECT_TRUE(near(gem_transforms.data[10]->position, glm::vec3(0, 3, 0)));
    EXPECT_EQ(live_objects().size(), 14u + 1 + 1 + 3);
}

TEST(LevelEnd, SolvingTheMenuStartsTheFirstLevelAfterTheWidening) {
    start_game_once();
    load_and_settle(1);
    drag(Pos{6, 2}, Pos{5, 2});
    EXPECT_EQ(live_field.cells[2 * 10 + 5], 1u);
    EXPECT_EQ(level_end_pending, 1);
    double solved_at = game_seconds;
    run_game_frame();
    EXPECT_EQ(animation_lock, 1);
    // Presses during the sequence change nothing.
    drag(Pos{5, 2}, Pos{4, 2});
    EXPECT_EQ(live_field.cells[2 * 10 + 5], 1u);
    ASSERT_TRUE(run_game_until([] { return scene_id == 2; }));
    expect_due(solved_at, 1.2, "the next level's load");
    EXPECT_STREQ(Scene_Registry.data[scene_id]->name, "red_intro_0");
    EXPECT_EQ(level_end_pending, 0);
    EXPECT_TRUE(run_game_until(unlocked));
    Screenshot level = settled(capture_window);
    save_png(level, "red_intro_0");
    glm::vec3 gem = level.mean(window_point_of(glm::vec3(0, 0, 0.1f)), 3);
    EXPECT_GT(gem.r, gem.g + 30) << "the red gem stands on (0, 0)";
}

TEST(LevelEnd, ARestartDuringTheSequenceStaysOnTheSceneAndStartsItAfresh) {
    start_game_once();
    load_and_settle(1);
    drag(Pos{6, 2}, Pos{5, 2});
    run_game_for(0.3);
    EXPECT_GT(fov, fifty_degrees);
    restart_scene();   // what Escape does
    EXPECT_EQ(scene_id, 1u);
    EXPECT_EQ(level_end_pending, 0);
    EXPECT_EQ(live_field.cells[2 * 10 + 6], 1u) << "the board is back at its start";
    run_game_for(2.0);
    EXPECT_EQ(scene_id, 1u) << "the cancelled level end loaded nothing";
    EXPECT_NEAR(fov, fifty_degrees, 1e-5f);
    EXPECT_EQ(animation_lock, 0);

    // R restarts levels only; on a level it gives back the starting board.
    key_callback(window, GLFW_KEY_R, 0, GLFW_PRESS, 0);
    EXPECT_EQ(animation_lock, 0) << "R does nothing on the main menu";
    load_and_settle(2);
    drag(Pos{0, 0}, Pos{1, 0});
    EXPECT_EQ(live_field.cells[1], 1u);
    key_callback(window, GLFW_KEY_R, 0, GLFW_PRESS, 0);
    EXPECT_EQ(live_field.cells[0], 1u);
    EXPECT_EQ(scene_id, 2u);
}

TEST(LevelEnd, TheLastLevelLeadsBackToTheMainMenu) {
    start_game_once();
    load_and_settle(20);
    schedule_level_end(0.0f);
    ASSERT_TRUE(run_game_until([] { return scene_id != 20; }));
    EXPECT_EQ(scene_id, 1u);
}

void press_on(Pos cell) {
    glm::dvec2 at = window_point_of(glm::vec3(cell.x, cell.y, 0));
    glfwSetCursorPos(window, at.x, at.y);
    mouse_button_callback(window, GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0);
}

TEST(LevelEnd, AGrabDoesNotCrossScenes) {
    start_game_once();
    // The menu's solving move has no animation, so a second press before the next update still picks
    // the gem up; held through the level end, it must not reach the first level.
    load_and_settle(1);
    drag(Pos{6, 2}, Pos{5, 2});
    press_on(Pos{5, 2});
    ASSERT_EQ(held_gem, 1u);
    ASSERT_TRUE(run_game_until([] { return scene_id == 2; }));
    EXPECT_EQ(held_gem, 0u) << "the progression dropped the grab";
    EXPECT_TRUE(run_game_until(unlocked));
    mouse_button_callback(window, GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE, 0);
    EXPECT_EQ(live_field.cells[0], 1u) << "the release played no turn on the new board";

    // A restart, during a level end or not, gives back the starting board with nothing in hand.
    press_on(Pos{0, 0});
    ASSERT_EQ(held_gem, 1u);
    restart_scene();
    EXPECT_EQ(held_gem, 0u);
    EXPECT_TRUE(run_game_until(unlocked));
    schedule_level_end(0.0f);
    press_on(Pos{0, 0});
    ASSERT_EQ(held_gem, 1u);
    restart_scene();
    EXPECT_EQ(held_gem, 0u);
    EXPECT_EQ(scene_id, 2u);
}

TEST(SceneLoading, ALoadRightAfterAResizeRecordsForTheFramebuffersItHas) {
    start_game_once();
    load_and_settle(2);
    std::string id = find_game_window().id;
    // Growing and shrinking; the validation layer reports a render area past the framebuffers.
    const u32 sizes[][2] = {{1700, 1000}, {800, 600}, {1900, 1060}, {640, 400}, {1200, 1000}, {1600, 900}};
    for (int round = 0; round < 3; round++)
        for (const auto& size : sizes) {
            shell("xdotool windowsize --sync " + id + " " + std::to_string(size[0]) + " " + std::to_string(size[1]));
            double end = seconds_now() + patience_s;
            while (!renderer.window_resized && seconds_now() < end) glfwWaitEventsTimeout(0.05);
            ASSERT_TRUE(renderer.window_resized) << "no size event for " << size[0] << "x" << size[1];
            restart_scene();   // R in the same frame as the resize
            run_game_frame();
            EXPECT_EQ(renderer.window_width, size[0]);
            EXPECT_EQ(renderer.window_height, size[1]);
        }
}

// Last: the teardown that the game itself never runs.
TEST(GameTeardown, DeinitReleasesTheMeshesAndTexturesOfEveryScene) {
    start_game_once();
    count_gpu_objects();
    vkDeviceWaitIdle(renderer.device);
    s64 memories = live_memories, buffers = live_buffers;
    u32 uploaded_meshes = 0;
    bucket_array_for_each(&mesh_pool, [&](Mesh* mesh) { uploaded_meshes += mesh->index_buffer != VK_NULL_HANDLE; });
    ASSERT_EQ(uploaded_meshes, 10u) << "backdrop, finish plate, seven gem shapes and the live grid";
    deinit_game();
    EXPECT_LE(live_buffers, buffers - 2 * (s64)uploaded_meshes) << "every mesh buffer goes (the overlay's too)";
    EXPECT_LT(live_memories, memories - 2 * (s64)uploaded_meshes) << "the textures' memory stays";
    EXPECT_EQ(mesh_pool.blocks, nullptr);
    EXPECT_EQ(material_pool.blocks, nullptr);
    EXPECT_EQ(audio_state.engine, nullptr);
}

}  // namespace
