// Game test harness: the game's own start-up on a real window, its frame loop run from the test, and
// screen helpers (screenshots kept as files for a look, window geometry, screen points of world points).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "vek/memory.h"

// The X screen as rows of RGB pixels.
struct Screenshot {
    u32 width = 0, height = 0;
    std::vector<u8> rgb;
};

double seconds_now();
// Standard output of a shell command.
std::string shell(const std::string& command);
// Position of the game window's client area on the X screen.
glm::dvec2 window_origin();

// The game's start-up (which loads the intro), once per test binary.
void start_game_once();
// One iteration of the game's main loop, timed as the loop times it.
void run_game_frame();
// Runs frames until `done` holds or `seconds` pass; true when it held.
bool run_game_until(const std::function<bool()>& done, double seconds);
// Runs frames for `seconds` of game time.
void run_game_for(double seconds);

// Where the X screen shows a world point through the camera of the last frame.
glm::dvec2 screen_point_of(glm::vec3 world);
// Saves the X screen under `name` in the test's picture folder and loads it.
Screenshot save_screenshot(const std::string& name);
// Mean colour of the square of half-width r around a screen point.
glm::vec3 mean_colour(const Screenshot& shot, glm::dvec2 at, u32 r);
