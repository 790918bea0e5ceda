// GPU test harness in the test's own process (see in_process.h).
#include "in_process.h"

#include <GLFW/glfw3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app.h"
#include "imgui_inter.h"
#include "mesh.h"
#include "platform.h"
#include "scenes.h"
#include "vkinter.h"

std::function<void()> before_frame;
u32 swapchain_recreations = 0;
double game_seconds = 0.0;
f32 last_step = 0.0f;

namespace {

u32 frames_drawn = 0;
double drawing_seconds = 0.0, longest_frame = 0.0;

// Swapchain creations after the first are counted through the game's own entry-point table (the
// names are macros naming its fields).
PFN_vkCreateSwapchainKHR real_create_swapchain;

void count_swapchain_recreations() {
    real_create_swapchain = vkCreateSwapchainKHR;
    vkCreateSwapchainKHR = [](VkDevice d, const VkSwapchainCreateInfoKHR* info, const VkAllocationCallbacks* a,
                              VkSwapchainKHR* swapchain) {
        swapchain_recreations++;
        return real_create_swapchain(d, info, a, swapchain);
    };
}

}  // namespace

void Renderer_Environment::SetUp() {
    // Frame synchronisation is checked too, not only API use.
    setenv("VK_LAYER_ENABLES", "VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT", 0);
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "the GPU tests need an X display";
    init_printer();
    create_window();
    init_renderer();
    count_swapchain_recreations();
    bucket_array_init(&render_object_pool);
    bucket_array_init(&mesh_pool);
    bucket_array_init(&material_pool);
    init();
    overlay_image = Overlay_Image::None;
    overlay_alpha = 0.0f;
}

void Renderer_Environment::TearDown() {
    if (renderer.device == VK_NULL_HANDLE) return;
    if (frames_drawn > 0)
        printf("%u frames, %.1f ms on average, the longest %.1f ms\n", frames_drawn,
               drawing_seconds * 1000.0 / frames_drawn, longest_frame * 1000.0);
    vkDeviceWaitIdle(renderer.device);
    deinit();
    bucket_array_for_each(&mesh_pool, destroy_mesh_buffers);
    bucket_array_for_each(&material_pool, [](Material* material) {
        image_destroy(&material->albedo);
        image_destroy(&material->normal_map);
    });
    // Anything still alive now is reported by the validation layer when the device goes.
    deinit_renderer();
    glfwDestroyWindow(window);
    glfwTerminate();
}

void draw_one_frame(bool poll_events) {
    if (poll_events) glfwPollEvents();
    if (before_frame) before_frame();
    double start = seconds_now();
    draw_frame(1.0f / 60.0f);
    double took = seconds_now() - start;
    frames_drawn++;
    drawing_seconds += took;
    longest_frame = glm::max(longest_frame, took);
}

void draw_frames(u32 count) {
    for (u32 i = 0; i < count; i++) draw_one_frame();
}

bool draw_until(const std::function<bool()>& done) {
    for (double end = seconds_now() + patience_s; seconds_now() < end;) {
        draw_one_frame();
        if (done()) return true;
    }
    return false;
}

Screenshot capture_window() {
    Screenshot screen = capture_screen(), shot;
    int x = 0, y = 0, w = 0, h = 0;
    glfwGetWindowPos(window, &x, &y);
    glfwGetWindowSize(window, &w, &h);
    if (x < 0 || y < 0 || w <= 0 || h <= 0 || (u32)(x + w) > screen.width || (u32)(y + h) > screen.height) return shot;
    shot.width = (u32)w;
    shot.height = (u32)h;
    shot.rgb.resize((size_t)w * h * 3);
    for (int row = 0; row < h; row++)
        memcpy(&shot.rgb[(size_t)row * w * 3], &screen.rgb[3 * ((size_t)(y + row) * screen.width + x)], (size_t)w * 3);
    return shot;
}

Screenshot settled_window(const std::function<bool(const Screenshot&)>& ready) {
    return settled(
        [] {
            draw_frames(2);
            return capture_window();
        },
        ready);
}

glm::dvec2 window_point_of(glm::vec3 world) {
    glm::vec4 clip = renderer.scene_uniforms.projection * renderer.scene_uniforms.view * glm::vec4(world, 1.0f);
    // Framebuffer y points down and the projection does not flip it.
    return {(clip.x / clip.w + 1.0) * 0.5 * renderer.window_width, (clip.y / clip.w + 1.0) * 0.5 * renderer.window_height};
}

namespace {

s64 previous_count = 0;
f32 frame_dt = 0.0f;
u8 stalled = 0;   // the game's update keeps the same state of its own

}  // namespace

void start_game_once() {
    static bool started = false;
    if (started) return;
    started = true;
    start_game();
    previous_count = query_perf_counter();
}

void run_game_frame() {
    last_step = guard_time_step(frame_dt, &stalled);
    game_seconds += last_step;
    frame_dt = run_frame(frame_dt, &previous_count);
}

bool run_game_until(const std::function<bool()>& done) {
    for (double end = seconds_now() + patience_s; seconds_now() < end;) {
        run_game_frame();
        if (done()) return true;
    }
    return false;
}

void run_game_for(double seconds) {
    double until = game_seconds + seconds;
    EXPECT_TRUE(run_game_until([&] { return game_seconds >= until; })) << "the game time stood still";
}

void expect_due(double since, double delay, const char* what) {
    // The scheduler counts down in f32.
    const double rounding = 1e-3;
    double elapsed = game_seconds - since;
    EXPECT_GE(elapsed, delay - rounding) << what << ": too early";
    EXPECT_LT(elapsed, delay + last_step + rounding) << what << ": a frame late (last step " << last_step << " s)";
}
