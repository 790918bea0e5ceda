// Overlay test harness: one window, the renderer core and the overlay layer for the whole test binary;
// a present loop that stands in for the game's frame (a cleared scene pass, then the overlay pass);
// synthetic overlay pictures; and screen reading through the X server.
#pragma once

#include <GLFW/glfw3.h>

#include <string>
#include <vector>

#include "imgui_inter.h"

struct Rgb {
    int r, g, b;
};

// The scene's background; every picture colour differs from it.
extern const Rgb background;

// Where the test pictures live (the layer reads them relative to the working directory).
extern std::string picture_dir;
// Where the game's own pictures live (the run directory the test started in).
extern std::string run_dir;

// The colours of the test picture of each id: mostly `fill`, its top-left quadrant `corner`.
Rgb picture_fill(u32 id);
Rgb picture_corner(u32 id);
// A picture of colour `fill` with its top-left quadrant in `corner`, width = aspect x 64 pixels.
void write_test_picture(const std::string& file, f32 aspect, Rgb fill, Rgb corner);

// One frame: interface frame, acquire, the image's overlay fence, one submission of the scene and
// overlay buffers, present. A resize or an out-of-date swapchain rebuilds swapchain and layer first.
// Without build_gui the frame records whatever GUI frame the layer has (none after a rebuild).
void draw_test_frame(bool build_gui = true);
// Number of swapchain-and-overlay rebuilds so far.
extern u32 rebuild_count;
// Waits for the GPU, then deinit and init of the layer (for tests that swap the picture files).
void rebuild_overlay();

struct Screenshot {
    int width = 0, height = 0;
    std::vector<u8> rgb;
    Rgb at(int x, int y) const {
        const u8* p = &rgb[3 * ((size_t)y * width + x)];
        return {p[0], p[1], p[2]};
    }
};
// Draws frames, then captures the screen in window coordinates; retries (drawing more frames) until
// `ready` holds or a few attempts pass, and returns the last capture.
template <typename Ready>
Screenshot settled_screen(Ready ready, bool build_gui = true);
Screenshot capture_window();

bool near(Rgb a, Rgb b, int tolerance = 3);
double seconds_now();
std::string run_command(const std::string& command);

template <typename Ready>
Screenshot settled_screen(Ready ready, bool build_gui) {
    Screenshot shot;
    for (int attempt = 0; attempt < 6; attempt++) {
        for (int i = 0; i < 4; i++) {
            glfwPollEvents();
            draw_test_frame(build_gui);
        }
        shot = capture_window();
        if (ready(shot)) break;
    }
    return shot;
}
