// scenes: the scene record, the meshes and materials that every scene's render objects share, the
// registry of scenes in play order, and the builders of the intro, the main menu and every level.
#pragma once

#include <glm/glm.hpp>

#include "playing_field.h"
#include "transform.h"

struct Mesh;
struct Material;

typedef void (*Scene_Hook)();

// One screen of the game, built once in code and never changed afterwards: loading copies what it
// needs into the live game state.
struct Scene {
    Array_List<Transform> extra_objects;   // background objects, copied into the render-object pool
    // The light block: copied as one run of five floats into the live light.
    f32 light_orbit_deg;
    f32 light_tilt_deg;
    f32 light_near;
    f32 light_far;
    f32 light_fov_deg;
    const char* name;
    Playing_Field field;                   // the scene's own board; play happens on a copy
    glm::vec3 camera_position;
    glm::vec3 camera_target;
    f32 fov;                               // radians
    u8 is_level;                           // 0 for the intro
    Scene_Hook on_load;                    // run at the end of a load; may be null
    Scene_Hook second_hook;                // kept by loading, never run; may be null
    glm::vec3 clear_color;
};

// Records never move and are never released, so a Scene* stays valid for the whole run.
extern Bucket_Array<Scene> scene_pool;
// The scene's number is its index here: 0 intro, 1 main menu, 2 and up the levels in play order.
extern Array_List<Scene*> Scene_Registry;

// ---------------------------------------------------------------------------------------------------
// Shared assets, loaded once by register_scenes. Each use is its own load: records are never shared
// by path.

extern Material* grid_material;
extern Mesh* backdrop_mesh;
extern Material* board_material;
extern Mesh* finish_mesh;
extern Material* red_finish_material;
extern Material* blue_finish_material;
extern Material* grey_finish_material;
extern Material* purple_finish_material;
extern Material* white_finish_material;
extern Material* yellow_finish_material;

struct Gem_Asset {
    Mesh* mesh;
    Material* material;
};

struct Gem_Assets {
    Gem_Asset red;
    Gem_Asset yellow;
    Gem_Asset blue;
    Gem_Asset purple;
    Gem_Asset white;
    Gem_Asset grey;
    Gem_Asset black;
};

extern Gem_Assets gem_assets;

// The pair that draws a gem of this colour; null for None and values outside the enumeration.
Gem_Asset* gem_asset_of(Gem_Type type);
// Uniform scale of a gem's render object: blue gems are a little smaller, purple ones larger.
f32 gem_scale_of(Gem_Type type);
// The material of a finish asking for this colour; null for Black, None and unknown values.
Material* finish_material_of(Gem_Type type);

// Reads every shared mesh and texture into memory (nothing goes to the GPU here).
void load_shared_assets();
// Loads the shared assets, then builds scenes 1 to 20 in play order. Runs once: a repeated call
// changes nothing.
void register_scenes();
// The builders of scenes 1 to 20, in play order. Loads nothing: the backdrops take the shared asset
// pointers as they stand.
void build_registered_scenes();

// ---------------------------------------------------------------------------------------------------
// Scene loading

// The board being played: a deep copy of the current scene's board.
extern Playing_Field live_field;
// Number of the scene being played (its registry index).
extern u32 scene_id;
// Set by the main menu's first load; the logo is shown once per run.
extern u8 logo_shown;
// Copies of the current scene's flag and second hook, which nothing reads further.
extern u8 current_scene_is_level;
extern Scene_Hook current_scene_second_hook;
// The grid of the live board; every load of a board scene makes a new one and releases the old one.
extern Mesh* grid_mesh;

// Fires and drops both schedulers' pending work (gameplay first), unlocks input and empties the
// render objects: what every load does before it builds the new scene.
void reset_scene_state();
// Makes scene `id` the one being played: drops the previous scene's scheduled work, render objects and
// board, builds and uploads the new render objects, re-records the scene command buffers, runs the
// scene's load hook and starts the opening camera move, during which mouse input is locked.
void load_scene(u32 id);
// Thin lines through the cell centres of a width x height board, in the plane z = 0. CPU data only.
Mesh* create_grid_mesh(u32 width, u32 height);
// Destroys a mesh's vertex and index buffers, if any; the GPU must not be using them.
void destroy_mesh_buffers(Mesh* mesh);
// Seconds of a load's opening move: 2.5 for the main menu until its logo was shown, else 1.0.
f32 opening_duration_of(const Scene* scene);

// ---------------------------------------------------------------------------------------------------
// Hooks of the intro and the main menu

// Shows the loading picture and builds the rest of the game a tenth of a second later.
void intro_on_load();
// Builds every other scene, then opens the main menu.
void finish_intro_action();
// On the first visit: the logo, faded out from 2.5 s to 3.8 s after the load.
void main_menu_on_load();

// ---------------------------------------------------------------------------------------------------
// Builders: each appends one scene to Scene_Registry. All but the intro's read backdrop_mesh and
// board_material, so they run after load_shared_assets.

void build_scene_intro();
void build_scene_main_menu();

void build_scene_red_intro_0();
void build_scene_red_intro_1();
void build_scene_red_easy_three();
void build_scene_black_intro_0();
void build_scene_black_intro_1();
void build_scene_red_hardy();
void build_scene_introducing_zindo_grey();
void build_scene_grey_intro_0();
void build_scene_yellow_intro_0();
void build_scene_gaga_gaijin();
void build_scene_yellow_intro_1();
void build_scene_yellow_intro_2();
void build_scene_purple_intro_0();
void build_scene_blaui_schlaui();
void build_scene_three_head();
void build_scene_crazy_1D();
void build_scene_spicy_nicey();
void build_scene_poggie_woggie();
void build_scene_zindo_fun_time();

// Levels kept out of the play order: nothing in the game calls these.
void build_scene_auto_finishes();
void build_scene_white_purple_shake();
void build_scene_blue_power();
void build_scene_brutol_red();
void build_scene_kalto_pepega();
void build_scene_netflix_and_chill();
