// GPU test harness: one real window and renderer for the whole test binary, a frame loop standing in
// for the game's (the scene buffers, then a pass to the present layout where the overlay would go),
// and screen reading through the X server.
#pragma once

#include <string>
#include <vector>

#include "shell.h"
#include "vkinter.h"

#include <GLFW/glfw3.h>

struct Screen_Pixel {
    u8 r, g, b;
};

struct Window_Geometry {
    s32 x, y;
    u32 width, height;
};

// Draws and presents one frame: the scene command buffer of the acquired image, then the hand-over to
// presentation. A recorded size change, an out-of-date or suboptimal swapchain re-create it first.
void present_frame();
// Polls events and presents until `done` holds or `seconds` pass; true when it held.
template <typename Done>
bool present_until(Done done, double seconds);
// Number of swapchain re-creations the frame loop has made.
extern u32 swapchain_recreations;

// The game window's geometry on the X screen.
Window_Geometry window_geometry();
// Captures the whole X screen; rows of RGB pixels.
struct Screenshot {
    u32 width = 0, height = 0;
    std::vector<u8> rgb;
    Screen_Pixel at(u32 x, u32 y) const {
        const u8* p = &rgb[3 * ((size_t)y * width + x)];
        return {p[0], p[1], p[2]};
    }
};
Screenshot take_screenshot();

// Host-side copy of one mip level of an uploaded RGBA texture.
std::vector<u8> read_texture_level(VkImage image, u32 level, u32 width, u32 height);

template <typename Done>
bool present_until(Done done, double seconds) {
    double end = seconds_now() + seconds;
    while (seconds_now() < end) {
        glfwPollEvents();
        present_frame();
        if (done()) return true;
    }
    return false;
}
