// GPU test harness basics: the monotonic clock, the bound of every wait, shell commands, captures of
// the X screen with their pixels, and the game window as the X server sees it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "vek/memory.h"

// How long a test waits for something that must come before it gives up. A lavapipe frame takes 10 to
// 100 ms on an idle machine and several times that on a loaded one; this is reached only when the
// awaited thing never comes.
constexpr double patience_s = 120.0;

double seconds_now();
// Standard output of a shell command.
std::string shell(const std::string& command);

// Pixels as rows of RGB.
struct Screenshot {
    u32 width = 0, height = 0;
    std::vector<u8> rgb;
    // The pixel nearest to p inside the picture; -1s for a failed capture.
    glm::ivec3 at(glm::dvec2 p) const;
    // Mean colour of the square of half-width r around p; what lies outside the picture is left out.
    glm::vec3 mean(glm::dvec2 p, s32 r) const;
};

// The whole X screen.
Screenshot capture_screen();
// Keeps a picture as NAME.png in the tests' picture folder (for a look); returns the path.
std::string save_png(const Screenshot& shot, const std::string& name);
// Captures until `ready` holds of a capture or patience runs out, and returns the last capture. Without
// `ready`, until two captures in a row are the same (the screen has settled). The X server shows a
// presented image a little after the present call returns, later still on a loaded machine.
Screenshot settled(const std::function<Screenshot()>& capture,
                   const std::function<bool(const Screenshot&)>& ready = nullptr);

// The first window named "morvu" on the X screen, as xdotool reports it; id empty when there is none
// yet. Without a window manager the position is the client area's.
struct Window_Geometry {
    std::string id;
    glm::dvec2 origin{0}, size{0};
};
Window_Geometry find_game_window();
