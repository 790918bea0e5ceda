// Game test harness (see game_harness.h).
#include "game_harness.h"

#include <gtest/gtest.h>
#include <stb_image.h>
#include <stdio.h>
#include <time.h>

#include <GLFW/glfw3.h>

#include "app.h"
#include "audio.h"
#include "platform.h"
#include "playing_field_print.h"
#include "scenes.h"
#include "vek/print.h"
#include "vkinter.h"

namespace {

s64 previous_count = 0;
f32 frame_dt = 0.0f;

}  // namespace

double seconds_now() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

std::string shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char chunk[512];
    for (size_t n; (n = fread(chunk, 1, sizeof(chunk), pipe)) > 0;) out.append(chunk, n);
    pclose(pipe);
    return out;
}

glm::dvec2 window_origin() {
    // No window manager: the X position is the client area's.
    int x = 0, y = 0;
    glfwGetWindowPos(window, &x, &y);
    return {x, y};
}

void start_game_once() {
    static bool started = false;
    if (started) return;
    started = true;
    start_game();
    previous_count = query_perf_counter();
    frame_dt = 0.0f;
}

void run_game_frame() { frame_dt = run_frame(frame_dt, &previous_count); }

bool run_game_until(const std::function<bool()>& done, double seconds) {
    double end = seconds_now() + seconds;
    while (seconds_now() < end) {
        run_game_frame();
        if (done()) return true;
    }
    return false;
}

void run_game_for(double seconds) {
    double end = seconds_now() + seconds;
    while (seconds_now() < end) run_game_frame();
}

glm::dvec2 screen_point_of(glm::vec3 world) {
    glm::vec4 clip = renderer.scene_uniforms.projection * renderer.scene_uniforms.view * glm::vec4(world, 1.0f);
    glm::dvec2 origin = window_origin();
    return {origin.x + (clip.x / clip.w + 1.0) * 0.5 * renderer.window_width,
            origin.y + (clip.y / clip.w + 1.0) * 0.5 * renderer.window_height};
}

Screenshot save_screenshot(const std::string& name) {
    std::string path = std::string(GAME_TEST_PICTURE_DIR) + "/" + name + ".png";
    shell("mkdir -p " GAME_TEST_PICTURE_DIR " && import -window root png:" + path + " 2>&1");
    Screenshot shot;
    int w = 0, h = 0, channels = 0;
    u8* pixels = stbi_load(path.c_str(), &w, &h, &channels, 3);
    if (!pixels) return shot;
    shot.width = (u32)w;
    shot.height = (u32)h;
    shot.rgb.assign(pixels, pixels + (size_t)w * h * 3);
    stbi_image_free(pixels);
    return shot;
}

glm::vec3 mean_colour(const Screenshot& shot, glm::dvec2 at, u32 r) {
    glm::dvec3 sum(0);
    u32 n = 0;
    for (s64 y = (s64)at.y - r; y <= (s64)at.y + r; y++)
        for (s64 x = (s64)at.x - r; x <= (s64)at.x + r; x++) {
            if (x < 0 || y < 0 || x >= (s64)shot.width || y >= (s64)shot.height) continue;
            const u8* p = &shot.rgb[3 * ((size_t)y * shot.width + (size_t)x)];
            sum += glm::dvec3(p[0], p[1], p[2]);
            n++;
        }
    return n ? glm::vec3(sum / (double)n) : glm::vec3(0);
}
