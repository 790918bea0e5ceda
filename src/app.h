// The game application: start-up order, main loop and frame timing, the per-frame update of camera,
// light and uniform data, mouse and key input (picking, dragging, turns, restarts), the help overlays
// and their fades, and level completion with the progression to the next scene.
#pragma once

#include <glm/glm.hpp>

#include "playing_field.h"
#include "vek/scheduler.h"

struct GLFWwindow;

// ---------------------------------------------------------------------------------------------------
// Start-up and main loop

extern GLFWwindow* window;
extern u8 running;            // set by main_loop; only the window's close request ends the loop
extern s64 timer_frequency;   // clock counts per second

// Everything of play (turn animations and sounds, scene openings, level completion) runs on the game
// scheduler; the help-overlay fades run on the interface scheduler.
extern Scheduler game_scheduler;
extern Scheduler interface_scheduler;

// The whole start-up in its order: printers, window, input callbacks, renderer, init_game, music.
void start_game();
// Initialises the window library and opens the 1600 x 900 window without a client API. Without a
// display this is a panic that says so.
void create_window();
// Installs the key, mouse-button and cursor callbacks on `window`.
void install_input_callbacks();
// Pools, the intro scene, the overlay layer, both schedulers, the sound engine, then scene 0.
void init_game();
// Polls, updates and draws until the window is asked to close.
void main_loop();
// One iteration of the loop with time step dt; returns the step for the next one (the duration of
// this one, measured from *previous, which it moves on).
f32 run_frame(f32 dt, s64* previous);
// Teardown counterpart of init_game; the game never calls it (the process simply ends).
void deinit_game();

// Seconds between two clock readings.
f32 seconds_between(s64 previous, s64 now, s64 frequency);

// ---------------------------------------------------------------------------------------------------
// Camera, light and the per-frame update

// The shadow-casting light. The order of the five fields is the scene's light block.
struct Light {
    f32 orbit_deg;   // turned by update, 0.1 degree per second
    f32 tilt_deg;
    f32 near;
    f32 far;
    f32 fov_deg;
};

extern Light light;
extern glm::vec3 camera_position;
extern glm::vec3 camera_target;
extern f32 fov;   // radians; animated by scene openings and level ends

// What one frame hands the shaders besides the object matrices.
struct Frame_Matrices {
    glm::mat4 view;
    glm::mat4 projection;
    glm::mat4 light_space;      // light projection x light view
    glm::vec3 light_position;   // the light camera's eye
};

// A step above half a second (a stall) counts as 0, so that nothing jumps. When the step after it is
// long too, the machine is slow rather than stalled: such steps count as half a second each, so that
// the game still moves. `stalled` carries the state from step to step.
f32 guard_time_step(f32 dt, u8* stalled);
// Light orbit advanced by dt: 0.1 degree per second, no wrap-around.
f32 advance_orbit(f32 orbit_deg, f32 dt);
// The light camera's eye: target + (0, 160, 0) tilted about the world x axis, then turned about the
// world z axis by minus the orbit, both about the world origin.
glm::vec3 light_eye(glm::vec3 target, f32 orbit_deg, f32 tilt_deg);
glm::mat4 camera_view(glm::vec3 eye, glm::vec3 target);
glm::mat4 camera_projection(f32 fov_rad, u32 width, u32 height);
glm::mat4 light_projection(const Light* l);
Frame_Matrices compute_frame_matrices(const Light* l, glm::vec3 eye, glm::vec3 target, f32 fov_rad, u32 width,
                                      u32 height);

// Drag, light orbit, both schedulers, then the camera, light and object uniform data.
void update(f32 dt);

// ---------------------------------------------------------------------------------------------------
// Input: picking, dragging, turns and restart keys

extern u32 held_gem;            // gem index being dragged; 0 = nothing held
extern glm::vec2 grab_offset;   // hit point minus the held gem's cell, taken at the press
extern f32 grab_z;              // height of the hit point on the gem's sphere
extern Gem* hovered_gem;        // set while a help overlay shows for a hovered gem; used only as a flag

// Unit direction of the ray from the eye through window pixel (cx, cy).
glm::vec3 cursor_ray(f64 cx, f64 cy, u32 width, u32 height, const glm::mat4& view, const glm::mat4& projection);
// Where a ray from `origin` meets the horizontal plane at height z (infinite or NaN for a ray parallel
// to it, which no cell accepts).
glm::vec3 ray_on_plane(glm::vec3 origin, glm::vec3 direction, f32 z);
// The cursor's ray through last frame's camera, met with the plane at height z.
glm::vec3 cursor_on_plane(f32 z);

struct Cursor_Cell {
    Pos pos;         // truncated coordinates, each kept in its 8 bits (also off the board)
    bool on_board;
};
// The cell whose square [x - 0.5, x + 0.5) x [y - 0.5, y + 0.5) holds p.
Cursor_Cell cell_under_point(const Playing_Field* pf, glm::vec3 p);

// The press's hit on the sphere of radius 0.5 around the cell's centre; the centre itself on a miss.
glm::vec3 ray_sphere_hit(glm::vec3 origin, glm::vec3 direction, Pos cell);
Flip_Dir get_flip_dir_from_positions(const glm::vec3* from, const glm::vec3* to);

void mouse_button_callback(GLFWwindow* w, int button, int action, int mods);
void cursor_position_callback(GLFWwindow* w, double x, double y);
void key_callback(GLFWwindow* w, int key, int scancode, int action, int mods);
// Window events (the callbacks run inside), then the Escape poll.
void poll_input();
// Moves the held gem's render object under the cursor.
void drag_held_gem();
// Reloads the current scene (R and Escape). A pending level end is dropped first.
void restart_scene();

// ---------------------------------------------------------------------------------------------------
// Help overlays

// Shows the help picture of a gem colour at full opacity, dropping any fade in progress.
void show_overlay(Gem_Type type);
// While a gem is hovered: keeps the picture 1 s, then fades it out over 2 s.
void fade_out_overlay();
void fade_in_overlay();

// ---------------------------------------------------------------------------------------------------
// Level completion and progression

// Set from a solving turn until the next scene loads.
extern u8 level_end_pending;

// Lock, finish sound and camera widening at t, the next scene at t + 1.2 s.
void schedule_level_end(f32 t);
void lock_animation_action();
void next_level_action();
// The scene after `id` in a registry of `count` scenes; past the last level, the main menu.
u32 next_scene_after(u32 id, u32 count);
