// GPU test harness in the test's own process: the game window and renderer started the game's way once
// per test binary, frames drawn through the game's own draw_frame (or whole iterations of its main
// loop, with the game time they advance), and captures of the window.
#pragma once

#include <gtest/gtest.h>

#include "screen.h"

// The window and renderer as the game starts them (create_window, init_renderer, the render pools,
// the overlay layer), with synchronisation validation on; torn down after the last test. A test
// binary registers it once:
//   testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Renderer_Environment);
class Renderer_Environment : public testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

// Run before every frame's draw_frame, after the events (a test's uniform data, say).
extern std::function<void()> before_frame;
// Swapchains created since the renderer started: every one a re-creation.
extern u32 swapchain_recreations;
// One frame: the window's events (unless `poll_events` is false), before_frame, draw_frame.
void draw_one_frame(bool poll_events = true);
void draw_frames(u32 count);
// Frames until `done` holds after one, or patience runs out; true when it held.
bool draw_until(const std::function<bool()>& done);

// The window's part of the X screen.
Screenshot capture_window();
// Frames drawn and the window captured until `ready` holds of a capture (without it, until the
// window has settled), at most for patience_s; returns the last capture.
Screenshot settled_window(const std::function<bool(const Screenshot&)>& ready = nullptr);
// Where the camera of the last written uniform data puts a world point, in window pixels.
glm::dvec2 window_point_of(glm::vec3 world);

// The game's whole start-up (start_game, which loads the intro), once per test binary.
void start_game_once();
// Seconds of game time so far: the sum of the steps the game's update has used (a stall counts 0, as
// in update), and the step of the last frame. An action scheduled d seconds ahead fires in the frame
// whose step takes the game time past d, so it is seen between d and d plus that frame's step.
extern double game_seconds;
extern f32 last_step;
// One iteration of the game's main loop, timed as the loop times it.
void run_game_frame();
// Iterations until `done` holds after one, or patience runs out; true when it held.
bool run_game_until(const std::function<bool()>& done);
// Iterations until `seconds` of game time have passed.
void run_game_for(double seconds);
// Expects `game_seconds - since` to be what an action scheduled `delay` ahead of `since` allows.
void expect_due(double since, double delay, const char* what);
