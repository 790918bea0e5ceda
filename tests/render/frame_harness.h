// Frame test harness: the renderer started the game's way (init_renderer, then the overlay layer) on a
// real window, render objects placed in the pool, the per-frame uniform data written the way the
// game's update writes it, frames drawn by draw_frame, and the window read back from the X server.
#pragma once

#include <GLFW/glfw3.h>

#include <string>
#include <vector>

#include "image.h"
#include "mesh.h"
#include "shell.h"
#include "transform.h"
#include "vkinter.h"

struct Camera_Setting {
    glm::vec3 position;
    glm::vec3 target;
    f32 fov;   // radians
};

struct Light_Setting {
    f32 orbit_deg;
    f32 tilt_deg;
    f32 near;
    f32 far;
    f32 fov_deg;
};

// The main menu's camera and light: a 10 x 5 board seen from above at an angle.
extern const Camera_Setting menu_camera;
extern const Light_Setting menu_light;

// Where the light camera's eye stands for a camera target.
glm::vec3 light_eye(glm::vec3 target, const Light_Setting& light);
// The camera and light matrices, and the world matrix of every live render object in walk order,
// copied into the uniform buffers.
void write_uniforms(const Camera_Setting& camera, const Light_Setting& light);
// Window pixel where the last written matrices put a world point.
glm::vec2 window_pixel(glm::vec3 world);

// A texture of one colour, written once into the test's own folder; returns its path.
std::string solid_texture(u8 r, u8 g, u8 b);
// A material of one colour over a normal map of one normal (flat by default), uploaded with its set.
Material* solid_material(u8 r, u8 g, u8 b, glm::ivec3 normal = {128, 128, 255});
// A mesh of the run directory, loaded once per path and uploaded.
Mesh* run_mesh(const char* path);
// A new root render object at the end of the pool.
Transform* add_object(Mesh* mesh, Material* material, glm::vec3 position, f32 scale);
Transform* add_object(Mesh* mesh, Material* material, glm::vec3 position, glm::vec3 scale);
// Empties the pool and sets the clear colour; the device must be idle before recording.
void clear_scene(glm::vec3 clear_color);
// After objects were added: wait for the device, record the scene command buffers.
void record_scene();

// Calls draw_frame `count` times with the events polled in between; the uniforms are rewritten first
// on every frame (the window size may change).
void draw_frames(u32 count, const Camera_Setting& camera, const Light_Setting& light);

// The window's pixels as the X server shows them.
struct Window_Shot {
    u32 width = 0, height = 0;
    std::vector<u8> rgb;
    glm::ivec3 at(glm::vec2 pixel) const;
    glm::ivec3 at(u32 x, u32 y) const;
    // Mean brightness (r + g + b) / 3 over a square of side 2 * radius + 1.
    f32 brightness(glm::vec2 pixel, s32 radius) const;
};
Window_Shot shoot_window();
// Saves the shot as a PNG (for looking at it); returns the path.
std::string save_shot(const Window_Shot& shot, const std::string& name);
