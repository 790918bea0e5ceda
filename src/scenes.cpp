// scenes: the scene records, the shared meshes and materials, the scene registry in play order and
// every scene's builder with its board, camera, light, backdrop and hooks.
#include "scenes.h"

#include <stddef.h>

#include <initializer_list>

#include "app.h"
#include "audio.h"
#include "image.h"
#include "imgui_inter.h"
#include "mesh.h"
#include "pipeline.h"
#include "vek/math_print.h"
#include "vek/panic.h"
#include "vek/print.h"
#include "vek/scheduler.h"
#include "vkinter.h"

// Loading copies the five light values as one block.
static_assert(offsetof(Scene, light_fov_deg) - offsetof(Scene, light_orbit_deg) == 4 * sizeof(f32));

Bucket_Array<Scene> scene_pool;
Array_List<Scene*> Scene_Registry;

Material* grid_material;
Mesh* backdrop_mesh;
Material* board_material;
Mesh* finish_mesh;
Material* red_finish_material;
Material* blue_finish_material;
Material* grey_finish_material;
Material* purple_finish_material;
Material* white_finish_material;
Material* yellow_finish_material;

Gem_Assets gem_assets;

static const char* const default_normal_path = "textures/default_normal.png";

Gem_Asset* gem_asset_of(Gem_Type type) {
    switch (type) {
    case Gem_Type::Black: return &gem_assets.black;
    case Gem_Type::Red: return &gem_assets.red;
    case Gem_Type::Blue: return &gem_assets.blue;
    case Gem_Type::Yellow: return &gem_assets.yellow;
    case Gem_Type::Purple: return &gem_assets.purple;
    case Gem_Type::Grey: return &gem_assets.grey;
    case Gem_Type::White: return &gem_assets.white;
    default: return nullptr;
    }
}

f32 gem_scale_of(Gem_Type type) {
    switch (type) {
    case Gem_Type::Blue: return 0.28f;
    case Gem_Type::Purple: return 0.35f;
    default: return 0.3f;
    }
}

Material* finish_material_of(Gem_Type type) {
    switch (type) {
    case Gem_Type::Red: return red_finish_material;
    case Gem_Type::Blue: return blue_finish_material;
    case Gem_Type::Yellow: return yellow_finish_material;
    case Gem_Type::Purple: return purple_finish_material;
    case Gem_Type::Grey: return grey_finish_material;
    case Gem_Type::White: return white_finish_material;
    default: return nullptr;
    }
}

static Material* load_material(const char* albedo_path) { return create_material(albedo_path, default_normal_path); }

void load_shared_assets() {
    grid_material = load_material("textures/black.png");
    backdrop_mesh = load_obj("meshes/plane.obj");
    board_material = load_material("textures/board.jpg");
    finish_mesh = load_obj("meshes/plane.obj");
    red_finish_material = load_material("textures/finish_textures/red_finish.png");
    blue_finish_material = load_material("textures/finish_textures/blue_finish.png");
    grey_finish_material = load_material("textures/finish_textures/grey_finish.png");
    purple_finish_material = load_material("textures/finish_textures/purple_finish.png");
    white_finish_material = load_material("textures/finish_textures/white_finish.png");
    yellow_finish_material = load_material("textures/finish_textures/yellow_finish.png");

    // Yellow, white and black gems share one shape; each still gets its own mesh record.
    gem_assets.red.mesh = load_obj("meshes/red_gem.obj");
    gem_assets.purple.mesh = load_obj("meshes/purple_gem.obj");
    gem_assets.grey.mesh = load_obj("meshes/grey_gem.obj");
    gem_assets.blue.mesh = load_obj("meshes/blue_gem.obj");
    gem_assets.black.mesh = load_obj("meshes/black_gem.obj");
    gem_assets.yellow.mesh = load_obj("meshes/black_gem.obj");
    gem_assets.white.mesh = load_obj("meshes/black_gem.obj");

    gem_assets.red.material = load_material("textures/red.png");
    gem_assets.blue.material = load_material("textures/cyan.png");
    gem_assets.black.material = load_material("textures/black.png");
    gem_assets.grey.material = load_material("textures/grey.png");
    gem_assets.purple.material = load_material("textures/purple.png");
    gem_assets.yellow.material = load_material("textures/yellow.png");
    gem_assets.white.material = load_material("textures/white.png");
}

void build_registered_scenes() {
    build_scene_main_menu();
    build_scene_red_intro_0();
    build_scene_red_intro_1();
    build_scene_red_easy_three();
    build_scene_black_intro_0();
    build_scene_black_intro_1();
    build_scene_red_hardy();
    build_scene_introducing_zindo_grey();
    build_scene_grey_intro_0();
    build_scene_yellow_intro_0();
    build_scene_gaga_gaijin();
    build_scene_yellow_intro_1();
    build_scene_yellow_intro_2();
    build_scene_purple_intro_0();
    build_scene_blaui_schlaui();
    build_scene_three_head();
    build_scene_crazy_1D();
    build_scene_spicy_nicey();
    build_scene_poggie_woggie();
    build_scene_zindo_fun_time();
}

void register_scenes() {
    // A restart of the intro before it finished can ask twice; a second pass would load every asset
    // again and append a second copy of the levels, which the level progression would then play.
    static bool registered = false;
    if (registered) return;
    registered = true;
    load_shared_assets();
    build_registered_scenes();
}

// ---------------------------------------------------------------------------------------------------
// Scene loading

Playing_Field live_field = {};
u32 scene_id = 0;
u8 logo_shown = 0;
u8 current_scene_is_level = 0;
Scene_Hook current_scene_second_hook = nullptr;
Mesh* grid_mesh = nullptr;

// Every opening narrows the view from 55 to 50 degrees.
static constexpr f32 opening_fov_from = 0.9599311f;
static constexpr f32 opening_fov_to = 0.8726646f;

f32 opening_duration_of(const Scene* scene) {
    if (strcmp(scene->name, "main_menu") == 0 && !logo_shown) return 2.5f;
    return 1.0f;
}

static Transform* take_render_object(Mesh* mesh, Material* material, glm::vec3 position, f32 scale) {
    Transform* object = bucket_array_alloc(&render_object_pool);
    object->mesh = mesh;
    object->material = material;
    object->position = position;
    object->rotation = identity_quat;
    object->scale = glm::vec3(scale);
    object->parent = nullptr;
    return object;
}

// The grid and the finish plates of a board scene.
static void create_board_objects(const Scene* scene) {
    grid_mesh = create_grid_mesh(scene->field.width, scene->field.height);
    take_render_object(grid_mesh, grid_material, glm::vec3(0.0f, 0.0f, 0.02f), 1.0f);
    for (u32 i = 0; i < live_field.finishes.count; i++) {
        const Finish* finish = &live_field.finishes.data[i];
        Material* material = finish_material_of(finish->type);
        // No plate exists for a finish asking for Black or nothing; such a finish is left undrawn.
        if (material == nullptr) continue;
        take_render_object(finish_mesh, material,
                           glm::vec3((f32)finish->pos.x, (f32)finish->pos.y, 0.01f), 0.9f);
    }
}

// Puts every mesh and texture of the live objects on the GPU (each once) with the material's set.
static void upload_render_objects() {
    bucket_array_for_each(&render_object_pool, [](Transform* object) {
        if (object->mesh == nullptr || object->material == nullptr) return;
        upload_mesh(object->mesh);
        upload_texture_image(&object->material->albedo, renderer.command_pool, renderer.queue);
        upload_texture_image(&object->material->normal_map, renderer.command_pool, renderer.queue);
        maybe_create_descriptor_set(object->material);
    });
}

void destroy_mesh_buffers(Mesh* mesh) {
    VkDevice device = renderer.device;
    if (mesh->vertex_buffer) vkDestroyBuffer(device, mesh->vertex_buffer, nullptr);
    if (mesh->vertex_memory) vkFreeMemory(device, mesh->vertex_memory, nullptr);
    if (mesh->index_buffer) vkDestroyBuffer(device, mesh->index_buffer, nullptr);
    if (mesh->index_memory) vkFreeMemory(device, mesh->index_memory, nullptr);
    mesh->vertex_buffer = VK_NULL_HANDLE;
    mesh->vertex_memory = VK_NULL_HANDLE;
    mesh->index_buffer = VK_NULL_HANDLE;
    mesh->index_memory = VK_NULL_HANDLE;
}

// A grid no object draws any more: its GPU buffers, its lists and its pool record. The GPU must be idle.
static void release_grid_mesh(Mesh* mesh) {
    destroy_mesh_buffers(mesh);
    array_list_free(&mesh->vertices);
    array_list_free(&mesh->indices);
    bucket_array_release(&mesh_pool, mesh);
}

void reset_scene_state() {
    reset_scheduler(&game_scheduler);
    reset_scheduler(&interface_scheduler);
    animation_lock = 0;
    bucket_array_reset(&render_object_pool);
    gem_transforms.count = 0;
}

void load_scene(u32 id) {
    // The registry is never read past its count.
    if (id >= Scene_Registry.count || Scene_Registry.data[id] == nullptr) panic("scene %u could not be loaded", id);
    // A held gem belongs to the board it was picked from: whatever the path (progression, restart,
    // reload), the new board starts with nothing in hand.
    held_gem = 0;
    overlay_alpha = 0.0f;
    scene_id = id;

    reset_scene_state();
    // The reset may have fired an action that loaded another scene; this load is the one that counts.
    scene_id = id;
    level_end_pending = 0;
    // The reset ran the purple swaps' unparenting, so no object hangs on a pivot any more.
    bucket_array_reset(&pivot_transform_pool);
    Mesh* old_grid = grid_mesh;
    grid_mesh = nullptr;

    if (id == 2) start_main_loop_music();

    Scene* scene = Scene_Registry.data[id];
    f32 opening_duration = opening_duration_of(scene);
    renderer.clear_color = scene->clear_color;
    current_scene_is_level = scene->is_level;

    // The scene's own board is never played on.
    free_playing_field(&live_field);
    copy_playing_field(&live_field, &scene->field);

    // One render object per gem, in gem-index order, first in the pool.
    array_list_push(&gem_transforms, (Transform*)nullptr);
    for (u32 i = 1; i < live_field.gems.count; i++) {
        const Gem* gem = &live_field.gems.data[i];
        const Gem_Asset* asset = gem_asset_of(gem->type);
        // A gem without a mesh keeps its object (its animations reach it), but is neither uploaded nor
        // drawn.
        Transform* obj = take_render_object(asset ? asset->mesh : nullptr,
                                            asset ? asset->material : nullptr,
                                            glm::vec3((f32)gem->x, (f32)gem->y, 0.0f), gem_scale_of(gem->type));
        soft_assert(obj->mesh);
        array_list_push(&gem_transforms, obj);
    }

    memcpy(&light, &scene->light_orbit_deg, sizeof(Light));
    camera_position = scene->camera_position;
    camera_target = scene->camera_target;
    fov = scene->fov;

    for (u32 i = 0; i < scene->extra_objects.count; i++)
        *bucket_array_alloc(&render_object_pool) = scene->extra_objects.data[i];

    if (id != 0) {
        println("NOT INDEX 0");
        create_board_objects(scene);
    }

    upload_render_objects();
    vk_check(vkDeviceWaitIdle(renderer.device));
    if (old_grid) release_grid_mesh(old_grid);
    record_command_buffers();

    current_scene_second_hook = scene->second_hook;
    if (scene->on_load) scene->on_load();

    animation_lock = 1;
    schedule_animation<f32>(&game_scheduler, 0.0f, opening_duration, &fov, Interpolatee::F32, opening_fov_from,
                            opening_fov_to, Shaper::Ease_In, "");
    schedule_action(&game_scheduler, opening_duration, unlock_animation_action, "animation unlock");
}

Mesh* create_grid_mesh(u32 width, u32 height) {
    Mesh* mesh = bucket_array_alloc(&mesh_pool);
    *mesh = Mesh{};
    array_list_init(&mesh->vertices, 16);
    array_list_init(&mesh->indices, 16);
    const f32 w = (f32)(width - 1);
    const f32 h = (f32)(height - 1);
    const f32 t = 0.03f;
    const glm::vec3 up(0.0f, 0.0f, 1.0f);
    auto quad = [&](glm::vec2 a, glm::vec2 b, glm::vec2 c, glm::vec2 d, std::initializer_list<u32> order) {
        u32 base = mesh->vertices.count;
        array_list_push(&mesh->vertices, Vertex{glm::vec3(a, 0.0f), glm::vec2(0.0f, 0.0f), up});
        array_list_push(&mesh->vertices, Vertex{glm::vec3(b, 0.0f), glm::vec2(1.0f, 0.0f), up});
        array_list_push(&mesh->vertices, Vertex{glm::vec3(c, 0.0f), glm::vec2(0.0f, 0.0f), up});
        array_list_push(&mesh->vertices, Vertex{glm::vec3(d, 0.0f), glm::vec2(0.0f, 0.0f), up});
        for (u32 corner : order) array_list_push(&mesh->indices, base + corner);
    };
    // Rows, then columns; every strip runs from the centre of the first cell to that of the last.
    for (u32 r = 0; r < height; r++) {
        f32 y = (f32)r;
        quad({0.0f, y}, {0.0f, y + t}, {w, y + t}, {w, y}, {3, 2, 1, 3, 1, 0});
    }
    for (u32 c = 0; c < width; c++) {
        f32 x = (f32)c;
        quad({x, 0.0f}, {x + t, 0.0f}, {x + t, h}, {x, h}, {2, 3, 1, 1, 3, 0});
    }
    return mesh;
}

// ---------------------------------------------------------------------------------------------------
// Hooks of the intro and the main menu

void intro_on_load() {
    overlay_image = Overlay_Image::Loading;
    overlay_alpha = 1.0f;
    schedule_action(&game_scheduler, 0.1f, finish_intro_action, "");
}

void finish_intro_action() {
    register_scenes();
    load_scene(1);
}

void main_menu_on_load() {
    if (logo_shown) return;
    logo_shown = 1;
    overlay_image = Overlay_Image::Logo;
    overlay_alpha = 1.0f;
    // Fully visible until the menu's input unlocks at 2.5 s, gone by 3.8 s.
    schedule_animation<f32>(&game_scheduler, 2.5f, 3.8f, &overlay_alpha, Interpolatee::F32, 1.0f, 0.0f,
                            Shaper::Ease_Out, "");
}

// ---------------------------------------------------------------------------------------------------
// Builders

namespace {

constexpr f32 scene_fov = 1.0471976f;   // 60 degrees

struct Gem_Spec {
    Gem_Type type;
    u8 x, y;
};

constexpr Gem_Type K = Gem_Type::Black;
constexpr Gem_Type R = Gem_Type::Red;
constexpr Gem_Type B = Gem_Type::Blue;
constexpr Gem_Type Y = Gem_Type::Yellow;
constexpr Gem_Type P = Gem_Type::Purple;
constexpr Gem_Type G = Gem_Type::Grey;
constexpr Gem_Type W = Gem_Type::White;

typedef std::initializer_list<Gem_Spec> Gem_List;

// Black walls on every cell of rows 0 and 2 of a 6 x 3 board: play happens on row 1.
const Gem_List row_walls_6x3 = {
    {K, 0, 0}, {K, 1, 0}, {K, 2, 0}, {K, 3, 0}, {K, 4, 0}, {K, 5, 0},
    {K, 0, 2}, {K, 1, 2}, {K, 2, 2}, {K, 3, 2}, {K, 4, 2}, {K, 5, 2},
};

// Black walls on the corners and the diagonal neighbours of the centre of a 5 x 5 board.
const Gem_List cross_walls_5x5 = {
    {K, 0, 0}, {K, 0, 4}, {K, 1, 1}, {K, 1, 3}, {K, 3, 1}, {K, 3, 3}, {K, 4, 0}, {K, 4, 4},
};

Scene* take_scene() {
    Scene* scene = bucket_array_alloc(&scene_pool);
    *scene = Scene{};
    scene->fov = scene_fov;
    return scene;
}

void register_scene(Scene* scene) { array_list_push(&Scene_Registry, scene); }

// The main menu and every level: a backdrop under the board, the same light, the camera eight units
// above a point one unit nearer to row 0 than the board's centre, black background.
void build_board_scene(const char* name, u32 width, u32 height, Gem_List gems, Gem_List walls,
                       std::initializer_list<Gem_Spec> finishes, f32 backdrop_z, Scene_Hook on_load,
                       Scene_Hook second_hook) {
    Transform backdrop = {};
    backdrop.mesh = backdrop_mesh;
    backdrop.material = board_material;
    backdrop.position = glm::vec3(3.0f, 2.0f, backdrop_z);
    backdrop.rotation = identity_quat;
    backdrop.scale = glm::vec3(20.0f, 20.0f, 1.0f);
    backdrop.parent = nullptr;

    Scene* scene = take_scene();
    array_list_init(&scene->extra_objects, 1);
    array_list_push(&scene->extra_objects, backdrop);

    scene->light_orbit_deg = 139.1f;
    scene->light_tilt_deg = 46.3f;
    scene->light_near = 157.0f;
    scene->light_far = 175.0f;
    scene->light_fov_deg = 8.3f;
    scene->name = name;

    Playing_Field* pf = &scene->field;
    pf->width = width;
    pf->height = height;
    init_playing_field(pf);
    // Creation order fixes the gem indices, hence which render object belongs to which gem.
    for (const Gem_Spec& gem : gems) create_gem_at_pos(pf, Pos{gem.x, gem.y}, gem.type);
    for (const Gem_Spec& gem : walls) create_gem_at_pos(pf, Pos{gem.x, gem.y}, gem.type);
    for (const Gem_Spec& finish : finishes) array_list_push(&pf->finishes, Finish{Pos{finish.x, finish.y}, finish.type});

    f32 w = (f32)width;
    f32 h = (f32)height;
    scene->camera_position = glm::vec3(w * 0.5f, h * 0.5f - 1.0f, 8.0f);
    scene->camera_target = glm::vec3(w * 0.5f, h * 0.5f, 0.0f);
    scene->is_level = 1;
    scene->on_load = on_load;
    scene->second_hook = second_hook;
    scene->clear_color = glm::vec3(0.0f, 0.0f, 0.0f);
    register_scene(scene);
}

void build_level(const char* name, u32 width, u32 height, Gem_List gems, Gem_List walls,
                 std::initializer_list<Gem_Spec> finishes, Scene_Hook on_load, Scene_Hook second_hook) {
    build_board_scene(name, width, height, gems, walls, finishes, 0.0f, on_load, second_hook);
}

void main_menu_second_hook() {}

}  // namespace

void build_scene_intro() {
    Scene* scene = take_scene();
    // Room for one background object, none stored: the intro shows only the loading picture.
    array_list_init(&scene->extra_objects, 1);
    scene->light_orbit_deg = -110.0f;
    scene->light_tilt_deg = 50.0f;
    scene->light_near = 150.0f;
    scene->light_far = 180.0f;
    scene->light_fov_deg = 8.0f;
    scene->name = "intro";
    scene->field.width = 0;
    scene->field.height = 0;
    init_playing_field(&scene->field);
    scene->camera_position = glm::vec3(2.0f, -3.0f, 6.0f);
    scene->camera_target = glm::vec3(2.0f, 2.0f, 0.0f);
    scene->is_level = 0;
    scene->on_load = intro_on_load;
    scene->second_hook = nullptr;
    scene->clear_color = glm::vec3(1.0f, 1.0f, 1.0f);
    register_scene(scene);
}

void build_scene_main_menu() {
    // One move of the red gem onto its finish starts the first level.
    build_board_scene("main_menu", 10, 5, {{R, 6, 2}}, {}, {{R, 5, 2}}, -0.01f, main_menu_on_load,
                      main_menu_second_hook);
}

// Every level has its own pair of hooks, both doing nothing.
#define LEVEL_HOOKS(level)               \
    static void level##_on_load() {}     \
    static void level##_second_hook() {}

#define LEVEL_HOOK_PAIR(level) level##_on_load, level##_second_hook

LEVEL_HOOKS(red_intro_0)
void build_scene_red_intro_0() {
    build_level("red_intro_0", 3, 2, {{R, 0, 0}}, {}, {{R, 2, 1}}, LEVEL_HOOK_PAIR(red_intro_0));
}

LEVEL_HOOKS(red_intro_1)
void build_scene_red_intro_1() {
    build_level("red_intro_1", 4, 3, {{R, 0, 0}, {R, 1, 1}}, {}, {{R, 3, 1}, {R, 1, 1}},
                LEVEL_HOOK_PAIR(red_intro_1));
}

LEVEL_HOOKS(red_easy_three)
void build_scene_red_easy_three() {
    build_level("red_easy_three", 4, 3, {{R, 1, 0}, {R, 2, 1}, {R, 3, 2}}, {}, {{R, 0, 2}, {R, 1, 1}, {R, 2, 0}},
                LEVEL_HOOK_PAIR(red_easy_three));
}

LEVEL_HOOKS(black_intro_0)
void build_scene_black_intro_0() {
    build_level("black_intro_0", 4, 4, {{R, 0, 0}, {R, 3, 2}, {K, 1, 1}, {K, 1, 0}, {K, 2, 2}}, {}, {{R, 3, 0}},
                LEVEL_HOOK_PAIR(black_intro_0));
}

LEVEL_HOOKS(black_intro_1)
void build_scene_black_intro_1() {
    build_level("black_intro_1", 5, 5,
                {{R, 0, 0}, {R, 0, 3}, {K, 2, 1}, {K, 1, 0}, {K, 2, 2}, {K, 4, 3}, {K, 1, 3}}, {},
                {{R, 3, 3}, {R, 2, 3}}, LEVEL_HOOK_PAIR(black_intro_1));
}

LEVEL_HOOKS(red_hardy)
void build_scene_red_hardy() {
    build_level("red_hardy", 4, 3, {{R, 0, 0}, {R, 1, 1}, {R, 3, 1}}, {}, {{R, 0, 2}, {R, 1, 2}, {R, 2, 1}},
                LEVEL_HOOK_PAIR(red_hardy));
}

LEVEL_HOOKS(introducing_zindo_grey)
void build_scene_introducing_zindo_grey() {
    build_level("introducing_zindo_grey", 6, 3, {{R, 0, 1}, {R, 5, 1}, {G, 3, 1}}, row_walls_6x3,
                {{R, 1, 1}, {G, 2, 1}, {R, 4, 1}}, LEVEL_HOOK_PAIR(introducing_zindo_grey));
}

LEVEL_HOOKS(grey_intro_0)
void build_scene_grey_intro_0() {
    // (0, 3) gets a black gem twice; the cell keeps the later one. Black gems never move, so the
    // earlier one is only ever drawn.
    build_level("grey_intro_0", 5, 5,
                {{R, 0, 2}, {R, 4, 2}, {G, 1, 2}, {K, 0, 0}, {K, 0, 3}, {K, 1, 1}, {K, 2, 1}, {K, 3, 1},
                 {K, 4, 1}, {K, 0, 3}, {K, 2, 3}, {K, 3, 3}, {K, 1, 4}, {K, 4, 4}},
                {}, {{R, 1, 2}, {G, 2, 2}, {R, 3, 2}}, LEVEL_HOOK_PAIR(grey_intro_0));
}

LEVEL_HOOKS(yellow_intro_0)
void build_scene_yellow_intro_0() {
    build_level("yellow_intro_0", 5, 5, {{G, 0, 0}, {Y, 4, 4}}, {}, {{G, 3, 3}}, LEVEL_HOOK_PAIR(yellow_intro_0));
}

LEVEL_HOOKS(gaga_gaijin)
void build_scene_gaga_gaijin() {
    build_level("gaga_gaijin", 6, 3, {{Y, 0, 1}, {Y, 5, 1}, {G, 3, 1}}, row_walls_6x3,
                {{Y, 1, 1}, {G, 3, 1}, {Y, 4, 1}}, LEVEL_HOOK_PAIR(gaga_gaijin));
}

LEVEL_HOOKS(yellow_intro_1)
void build_scene_yellow_intro_1() {
    build_level("yellow_intro_1", 5, 5, {{Y, 2, 2}, {G, 0, 0}, {G, 4, 4}}, {}, {{Y, 2, 2}, {G, 1, 3}, {G, 3, 1}},
                LEVEL_HOOK_PAIR(yellow_intro_1));
}

LEVEL_HOOKS(yellow_intro_2)
void build_scene_yellow_intro_2() {
    build_level("yellow_intro_2", 5, 5,
                {{Y, 4, 4}, {G, 2, 1}, {K, 0, 0}, {K, 0, 1}, {K, 0, 3}, {K, 0, 4}, {K, 1, 0}, {K, 1, 1},
                 {K, 1, 3}, {K, 1, 4}, {K, 4, 0}},
                {}, {{G, 2, 3}, {Y, 2, 0}}, LEVEL_HOOK_PAIR(yellow_intro_2));
}

LEVEL_HOOKS(purple_intro_0)
void build_scene_purple_intro_0() {
    build_level("purple_intro_0", 4, 4, {{G, 1, 0}, {P, 1, 3}, {K, 3, 3}, {K, 0, 3}, {K, 0, 0}, {K, 3, 0}}, {},
                {{G, 2, 2}, {P, 1, 2}}, LEVEL_HOOK_PAIR(purple_intro_0));
}

LEVEL_HOOKS(blaui_schlaui)
void build_scene_blaui_schlaui() {
    // Starts solved: the blue stands on its finish, and its first move brings it straight back.
    build_level("blaui_schlaui", 5, 5, {{B, 2, 2}}, cross_walls_5x5, {{B, 2, 2}}, LEVEL_HOOK_PAIR(blaui_schlaui));
}

LEVEL_HOOKS(three_head)
void build_scene_three_head() {
    build_level("three_head", 5, 5, {{B, 2, 2}, {P, 0, 2}}, cross_walls_5x5, {{P, 4, 2}},
                LEVEL_HOOK_PAIR(three_head));
}

LEVEL_HOOKS(crazy_1D)
void build_scene_crazy_1D() {
    build_level("crazy_1D", 6, 3, {{Y, 5, 1}, {P, 4, 1}, {B, 3, 1}}, row_walls_6x3, {{Y, 1, 1}},
                LEVEL_HOOK_PAIR(crazy_1D));
}

LEVEL_HOOKS(spicy_nicey)
void build_scene_spicy_nicey() {
    build_level("spicy_nicey", 3, 2, {{P, 1, 1}, {W, 2, 1}, {B, 2, 0}}, {}, {{W, 0, 0}, {P, 2, 1}},
                LEVEL_HOOK_PAIR(spicy_nicey));
}

LEVEL_HOOKS(poggie_woggie)
void build_scene_poggie_woggie() {
    build_level("poggie_woggie", 5, 5, {{B, 2, 2}, {B, 3, 0}, {B, 4, 3}, {B, 1, 4}, {P, 0, 2}}, cross_walls_5x5,
                {{B, 0, 3}, {B, 1, 0}, {B, 4, 1}, {B, 3, 4}, {P, 2, 2}}, LEVEL_HOOK_PAIR(poggie_woggie));
}

LEVEL_HOOKS(zindo_fun_time)
void build_scene_zindo_fun_time() {
    build_level("zindo_fun_time", 4, 3, {{Y, 3, 2}, {R, 0, 0}, {R, 3, 0}, {W, 0, 2}}, {}, {{R, 1, 1}, {R, 2, 1}},
                LEVEL_HOOK_PAIR(zindo_fun_time));
}

LEVEL_HOOKS(auto_finishes)
void build_scene_auto_finishes() {
    build_level("auto_finishes", 7, 5, {{R, 4, 2}}, {}, {{R, 0, 0}}, LEVEL_HOOK_PAIR(auto_finishes));
}

LEVEL_HOOKS(white_purple_shake)
void build_scene_white_purple_shake() {
    build_level("white_purple_shake", 6, 5,
                {{P, 0, 2}, {P, 5, 2}, {W, 0, 4}, {W, 1, 1}, {Y, 2, 4}, {W, 4, 1}, {W, 5, 4}}, {},
                {{W, 1, 2}, {W, 2, 3}, {W, 3, 3}, {W, 4, 2}, {P, 3, 1}}, LEVEL_HOOK_PAIR(white_purple_shake));
}

LEVEL_HOOKS(blue_power)
void build_scene_blue_power() {
    build_level("blue_power", 2, 3, {{P, 0, 0}, {P, 0, 2}, {G, 0, 1}, {B, 1, 1}, {B, 1, 2}}, {},
                {{P, 1, 1}, {P, 0, 2}, {B, 0, 1}, {B, 0, 0}}, LEVEL_HOOK_PAIR(blue_power));
}

LEVEL_HOOKS(brutol_red)
void build_scene_brutol_red() {
    build_level("brutol_red", 4, 3, {{R, 0, 0}, {P, 0, 1}, {G, 0, 2}, {W, 1, 1}, {R, 2, 0}, {R, 3, 1}}, {},
                {{P, 3, 0}, {W, 2, 2}, {R, 1, 1}}, LEVEL_HOOK_PAIR(brutol_red));
}

LEVEL_HOOKS(kalto_pepega)
void build_scene_kalto_pepega() {
    build_level("kalto_pepega", 6, 2, {{R, 0, 0}, {Y, 1, 0}, {R, 1, 1}, {P, 2, 0}, {B, 4, 1}, {Y, 5, 0}}, {},
                {{Y, 1, 1}, {B, 2, 1}, {R, 4, 1}}, LEVEL_HOOK_PAIR(kalto_pepega));
}

LEVEL_HOOKS(netflix_and_chill)
void build_scene_netflix_and_chill() {
    build_level("netflix_and_chill", 6, 3, {{R, 0, 2}, {Y, 0, 1}, {P, 1, 1}, {P, 3, 1}, {P, 4, 0}, {R, 4, 2}}, {},
                {{Y, 3, 2}, {P, 4, 1}, {R, 1, 1}}, LEVEL_HOOK_PAIR(netflix_and_chill));
}
