// The game application: start-up order, main loop and frame timing, the per-frame update of camera,
// light and uniform data, mouse and key input (picking, dragging, turns, restarts), the help overlays
// and their fades, and level completion with the progression to the next scene.
#include "app.h"

#include <math.h>
#include <stdio.h>

#include <glm/gtc/matrix_transform.hpp>

#include <GLFW/glfw3.h>

#include "audio.h"
#include "image.h"
#include "imgui_inter.h"
#include "mesh.h"
#include "pipeline.h"
#include "platform.h"
#include "playing_field_print.h"
#include "scenes.h"
#include "transform.h"
#include "vek/math_print.h"
#include "vek/panic.h"
#include "vek/print.h"
#include "vkinter.h"

GLFWwindow* window = nullptr;
u8 running = 0;
s64 timer_frequency = 0;

Scheduler game_scheduler = {};
Scheduler interface_scheduler = {};

Light light = {};
glm::vec3 camera_position = {};
glm::vec3 camera_target = {};
f32 fov = 0.0f;

u32 held_gem = 0;
glm::vec2 grab_offset = {};
f32 grab_z = 0.0f;
Gem* hovered_gem = nullptr;

u8 level_end_pending = 0;

// ---------------------------------------------------------------------------------------------------
// Start-up and main loop

void create_window() {
    // Without a display the window library cannot start; say so rather than crash further on.
    if (!glfwInit()) panic("glfwInit failed: no display to open the window on (is DISPLAY set?)");
    glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
    window = glfwCreateWindow((int)renderer.window_width, (int)renderer.window_height, "morvu", nullptr, nullptr);
    if (window == nullptr) panic("glfwCreateWindow failed: the game window could not be created");
    renderer.window = window;
    glfwSetWindowSizeCallback(window, window_size_callback);
}

void install_input_callbacks() {
    glfwSetKeyCallback(window, key_callback);
    glfwSetMouseButtonCallback(window, mouse_button_callback);
    glfwSetCursorPosCallback(window, cursor_position_callback);
}

void start_game() {
    init_printer();
    register_playing_field_printers();
    create_window();
    install_input_callbacks();
    init_renderer();
    init_game();
    start_music();
}

void init_game() {
    timer_frequency = query_perf_freq();
    register_math_printers();

    bucket_array_init(&scene_pool);
    bucket_array_init(&mesh_pool);
    bucket_array_init(&material_pool);
    array_list_init(&Scene_Registry, 16);
    array_list_init(&gem_transforms, 16);
    bucket_array_init(&pivot_transform_pool);
    bucket_array_init(&render_object_pool);

    // Scene 0 must exist before anything of the scenes is loaded.
    build_scene_intro();
    init();

    init_scheduler(&game_scheduler);
    init_scheduler(&interface_scheduler);
    // The interface scheduler animates only floats.
    register_interpolator(&game_scheduler, Interpolatee::Vec3, interpolate_vec3, vec3_value_size);
    register_interpolator(&game_scheduler, Interpolatee::Quat, interpolate_quat, quat_value_size);

    init_audio();
    // The intro's load hook chains on to the rest of the game.
    load_scene(0);
}

f32 seconds_between(s64 previous, s64 now, s64 frequency) {
    return (f32)((f64)(now - previous) / (f64)frequency);
}

f32 run_frame(f32 dt, s64* previous) {
    poll_input();
    update(dt);
    draw_frame(dt);
    s64 now = query_perf_counter();
    f32 next = seconds_between(*previous, now, timer_frequency);
    *previous = now;
    return next;
}

void main_loop() {
    running = 1;
    s64 previous = query_perf_counter();
    f32 dt = 0.0f;
    // The step handed on is the whole previous iteration; presentation sets the pace.
    while (running && !glfwWindowShouldClose(window)) dt = run_frame(dt, &previous);
}

void deinit_game() {
    vkDeviceWaitIdle(renderer.device);
    array_list_free(&Scene_Registry);
    bucket_array_for_each(&scene_pool, [](Scene* scene) { array_list_free(&scene->extra_objects); });
    bucket_array_destroy(&scene_pool);
    bucket_array_for_each(&material_pool, [](Material* material) {
        image_destroy(&material->albedo);
        image_destroy(&material->normal_map);
    });
    bucket_array_destroy(&material_pool);
    bucket_array_for_each(&mesh_pool, destroy_mesh_buffers);
    bucket_array_destroy(&mesh_pool);
    deinit();
    destroy_scheduler(&game_scheduler);
    destroy_scheduler(&interface_scheduler);
    destroy_sound_engine(audio_state.engine);
    audio_state.engine = nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Camera, light and the per-frame update

f32 guard_time_step(f32 dt, u8* stalled) {
    if (dt <= 0.5f) {
        *stalled = 0;
        return dt;
    }
    // Zeroing every long step would stop the game for good on a machine whose frames all take longer.
    if (*stalled) return 0.5f;
    *stalled = 1;
    return 0.0f;
}

f32 advance_orbit(f32 orbit_deg, f32 dt) { return (f32)((f64)orbit_deg + (f64)dt * (1.0 / 240.0) * 24.0); }

glm::vec3 light_eye(glm::vec3 target, f32 orbit_deg, f32 tilt_deg) {
    glm::vec4 p(target.x, target.y + 160.0f, target.z, 1.0f);
    glm::mat4 tilt = glm::rotate(glm::mat4(1.0f), glm::radians(tilt_deg), glm::vec3(1, 0, 0));
    glm::mat4 orbit = glm::rotate(glm::mat4(1.0f), glm::radians(-orbit_deg), glm::vec3(0, 0, 1));
    return glm::vec3(orbit * tilt * p);
}

glm::mat4 camera_view(glm::vec3 eye, glm::vec3 target) { return glm::lookAt(eye, target, glm::vec3(0, 0, 1)); }

glm::mat4 camera_projection(f32 fov_rad, u32 width, u32 height) {
    // The window-size callback never stores a zero height.
    return glm::perspective(fov_rad, (f32)width / (f32)height, 0.1f, 100.0f);
}

glm::mat4 light_projection(const Light* l) {
    return glm::perspective(l->fov_deg * glm::pi<f32>() / 180.0f, 1.0f, l->near, l->far);
}

Frame_Matrices compute_frame_matrices(const Light* l, glm::vec3 eye, glm::vec3 target, f32 fov_rad, u32 width,
                                      u32 height) {
    Frame_Matrices m;
    m.light_position = light_eye(target, l->orbit_deg, l->tilt_deg);
    m.view = camera_view(eye, target);
    m.projection = camera_projection(fov_rad, width, height);
    m.light_space = light_projection(l) * camera_view(m.light_position, target);
    return m;
}

static void copy_to_memory(VkDeviceMemory memory, const void* data, VkDeviceSize size) {
    void* mapped;
    vk_check(vkMapMemory(renderer.device, memory, 0, size, 0, &mapped));
    memcpy(mapped, data, size);
    vkUnmapMemory(renderer.device, memory);
}

void update(f32 dt) {
    static u8 stalled = 0;
    dt = guard_time_step(dt, &stalled);
    drag_held_gem();
    light.orbit_deg = advance_orbit(light.orbit_deg, dt);
    // Animations and due actions first, so this frame's matrices see their values.
    update_scheduler(&game_scheduler, dt);
    update_scheduler(&interface_scheduler, dt);

    Frame_Matrices m = compute_frame_matrices(&light, camera_position, camera_target, fov, renderer.window_width,
                                              renderer.window_height);

    // Slot k belongs to the k-th live object: the draw walks the pool in the same order.
    u32 k = 0;
    bucket_array_for_each(&render_object_pool, [&k](Transform* object) {
        object_uniform_slot(k)->model = get_world_matrix(object);
        k += 1;
    });

    renderer.light_uniforms.light_space = m.light_space;
    copy_to_memory(renderer.light_uniform_memory, &renderer.light_uniforms, sizeof(Light_Uniforms));
    renderer.scene_uniforms.view = m.view;
    renderer.scene_uniforms.projection = m.projection;
    renderer.scene_uniforms.light_space = m.light_space;
    renderer.scene_uniforms.light_position = m.light_position;
    copy_to_memory(renderer.scene_uniform_memory, &renderer.scene_uniforms, sizeof(Scene_Uniforms));
    copy_to_memory(renderer.object_uniform_memory, renderer.object_uniforms_host, renderer.object_uniform_size);
}

// ---------------------------------------------------------------------------------------------------
// Input: picking, dragging, turns and restart keys

glm::vec3 cursor_ray(f64 cx, f64 cy, u32 width, u32 height, const glm::mat4& view, const glm::mat4& projection) {
    // Window y grows downwards as clip-space y does here, so it is not flipped.
    f32 nx = (f32)(2.0 * cx / (f64)width - 1.0);
    f32 ny = (f32)(2.0 * cy / (f64)height - 1.0);
    glm::vec4 e = glm::inverse(projection) * glm::vec4(nx, ny, -1.0f, 1.0f);
    glm::vec4 d = glm::inverse(view) * glm::vec4(e.x, e.y, -1.0f, 0.0f);
    return glm::normalize(glm::vec3(d));
}

glm::vec3 ray_on_plane(glm::vec3 origin, glm::vec3 direction, f32 z) {
    f32 t = (z - origin.z) / direction.z;
    return origin + t * direction;
}

// The ray through the cursor with last frame's matrices: input runs before this frame's update.
static glm::vec3 cursor_ray_now() {
    f64 cx, cy;
    glfwGetCursorPos(window, &cx, &cy);
    return cursor_ray(cx, cy, renderer.window_width, renderer.window_height, renderer.scene_uniforms.view,
                      renderer.scene_uniforms.projection);
}

glm::vec3 cursor_on_plane(f32 z) { return ray_on_plane(camera_position, cursor_ray_now(), z); }

// Keeps a coordinate's low 8 bits for the log; values no integer can hold (a ray along the plane)
// log as 255.
static u8 coordinate_byte(f64 f) {
    if (!(fabs(f) < 1e15)) return 0xFF;
    return (u8)(s64)trunc(f);
}

Cursor_Cell cell_under_point(const Playing_Field* pf, glm::vec3 p) {
    f64 fx = (f64)p.x + 0.5;
    f64 fy = (f64)p.y + 0.5;
    Cursor_Cell cell;
    cell.pos = Pos{coordinate_byte(fx), coordinate_byte(fy)};
    // Compared before truncating: -0.3 is off the board although it truncates to 0, and NaN fails all.
    cell.on_board = fx >= 0.0 && fy >= 0.0 && fx < (f64)pf->width && fy < (f64)pf->height;
    return cell;
}

glm::vec3 ray_sphere_hit(glm::vec3 origin, glm::vec3 direction, Pos cell) {
    glm::vec3 centre((f32)cell.x, (f32)cell.y, 0.0f);
    glm::vec3 o = origin - centre;
    f32 b = glm::dot(o, direction);
    f32 disc = b * b - (glm::dot(o, o) - 0.25f);
    if (disc < 0.0f) return centre;
    f32 root = sqrtf(disc);
    f32 t1 = -b - root;
    f32 t2 = root - b;
    f32 t = fabsf(t1) < fabsf(t2) ? t1 : t2;
    return origin + t * direction;
}

Flip_Dir get_flip_dir_from_positions(const glm::vec3* from, const glm::vec3* to) {
    f32 dx = roundf(from->x - to->x);
    if (dx == 1.0f) return Flip_Dir::Left;
    if (dx == -1.0f) return Flip_Dir::Right;
    f32 dy = roundf(from->y - to->y);
    if (dy == 1.0f) return Flip_Dir::Down;
    if (dy == -1.0f) return Flip_Dir::Up;
    panic("flip_dir could not be calculated\n from: %{->vec3}\n to:   %{->vec3}", from, to);
}

// The held gem's render object, or null when nothing (valid) is held.
static Transform* held_object() {
    if (held_gem == 0 || held_gem >= gem_transforms.count || held_gem >= live_field.gems.count) return nullptr;
    return gem_transforms.data[held_gem];
}

static void put_held_gem_on(Pos cell) {
    Transform* object = held_object();
    if (object) object->position = glm::vec3((f32)cell.x, (f32)cell.y, 0.0f);
}

static Pos step_from(Pos from, Flip_Dir dir) {
    switch (dir) {
    case Flip_Dir::Up: return Pos{from.x, (u8)(from.y + 1)};
    case Flip_Dir::Down: return Pos{from.x, (u8)(from.y - 1)};
    case Flip_Dir::Left: return Pos{(u8)(from.x - 1), from.y};
    case Flip_Dir::Right: return Pos{(u8)(from.x + 1), from.y};
    }
    return from;
}

// A release while holding: the turn whose destination is under the cursor, or the gem goes back.
// Returns true when the turn solved the board (the level end is then scheduled).
static bool drop_held_gem(Pos cell) {
    Gem* gem = &live_field.gems.data[held_gem];
    Pos start = gem_pos(gem);
    Array_List<Turn> turns;
    array_list_init(&turns, 16);
    list_turns_for_gem(&live_field, gem, &turns);
    for (u32 i = 0; i < turns.count; i++) {
        if (!(step_from(start, turns.data[i].dir) == cell)) continue;
        f32 t = do_turn(&live_field, &turns.data[i], true, &game_scheduler);
        put_held_gem_on(cell);
        held_gem = 0;
        array_list_free(&turns);
        // A board without finishes is never solved.
        if (live_field.finishes.count > 0 && is_solved(&live_field)) {
            schedule_level_end(t);
            return true;
        }
        return false;
    }
    put_held_gem_on(start);
    println("not gonna move fam");
    println("%{->playing_field}", &live_field);
    held_gem = 0;
    array_list_free(&turns);
    return false;
}

void mouse_button_callback(GLFWwindow*, int button, int action, int) {
    if (button != GLFW_MOUSE_BUTTON_LEFT) return;
    glm::vec3 d = cursor_ray_now();
    Cursor_Cell cell = cell_under_point(&live_field, ray_on_plane(camera_position, d, 0.0f));
    println("gp pos under cursor: %{->pos}", &cell.pos);
    printf("animation lock: %i\n", animation_lock);

    if (animation_lock || !cell.on_board) {
        println("not in bounds");
        if (action == GLFW_RELEASE && held_gem != 0) {
            // Back onto the cell the board still records for it.
            Transform* object = held_object();
            if (object) {
                const Gem* gem = &live_field.gems.data[held_gem];
                object->position = glm::vec3((f32)gem->x, (f32)gem->y, 0.0f);
            }
            held_gem = 0;
        }
    } else {
        println("in bounds");
        u32 index = get_gem_index_at(&live_field, cell.pos);
        const Gem* gem = &live_field.gems.data[index];
        bool movable = gem->type != Gem_Type::Black && gem->type != Gem_Type::Grey && gem->type != Gem_Type::White;
        if (action == GLFW_PRESS && movable) {
            held_gem = index;
            println("clicked on %{gem_type}", (u32)gem->type);
            println("clicked index: %i\n", held_gem);
            glm::vec3 hit = ray_sphere_hit(camera_position, d, cell.pos);
            printf("intersection at %f %f %f \n", hit.x, hit.y, hit.z);
            grab_offset = glm::vec2(hit.x - (f32)gem->x, hit.y - (f32)gem->y);
            grab_z = hit.z;
            printf("offset at %f %f %f \n", grab_offset.x, grab_offset.y, grab_z);
            show_overlay(gem->type);
        } else if (action == GLFW_RELEASE) {
            const Gem* held = held_object() ? &live_field.gems.data[held_gem] : &live_field.gems.data[0];
            println("released    %{gem_type}", (u32)held->type);
            println("released on %{gem_type}", (u32)gem->type);
            if (hovered_gem) fade_out_overlay();
            if (held_object() == nullptr) {
                held_gem = 0;
                return;
            }
            if (drop_held_gem(cell.pos)) return;
        }
    }
    printf("\n");
}

void cursor_position_callback(GLFWwindow*, double, double) {
    Cursor_Cell cell = cell_under_point(&live_field, cursor_on_plane(0.0f));
    if (!cell.on_board || held_gem != 0) return;
    u32 index = get_gem_index_at(&live_field, cell.pos);
    if (index != 0) {
        show_overlay(live_field.gems.data[index].type);
        hovered_gem = &live_field.gems.data[index];
    } else {
        if (hovered_gem) fade_out_overlay();
        hovered_gem = nullptr;
    }
}

void restart_scene() {
    // The pending level end would otherwise fire inside this reload and load the next scene first,
    // leaving the counter on the next scene while this one is shown.
    if (level_end_pending) {
        clear_scheduler(&game_scheduler);
        level_end_pending = 0;
    }
    load_scene(scene_id);
}

void key_callback(GLFWwindow*, int key, int, int action, int) {
    // Only levels restart with R; the intro and the main menu do not.
    if (key == GLFW_KEY_R && action == GLFW_PRESS && scene_id >= 2) restart_scene();
}

void poll_input() {
    glfwPollEvents();
    // A poll, not an event: the scene reloads every frame while Escape is held.
    if (glfwGetKey(window, GLFW_KEY_ESCAPE) == GLFW_PRESS) restart_scene();
}

void drag_held_gem() {
    Transform* object = held_object();
    if (object == nullptr) return;
    println("holding %{gem_type} right now", (u32)live_field.gems.data[held_gem].type);
    glm::vec3 q = cursor_on_plane(grab_z);
    // A ray along the plane meets it nowhere; the gem then stays where it is.
    if (!isfinite(q.x) || !isfinite(q.y) || !isfinite(q.z)) return;
    object->position = glm::vec3(q.x - grab_offset.x, q.y - grab_offset.y, q.z - grab_z);
}

// ---------------------------------------------------------------------------------------------------
// Help overlays

void show_overlay(Gem_Type type) {
    clear_scheduler(&interface_scheduler);
    Overlay_Image picture;
    switch (type) {
    case Gem_Type::None:
        overlay_image = Overlay_Image::None;
        fade_out_overlay();
        println("No overlay to show");
        return;
    case Gem_Type::Black: picture = Overlay_Image::Black_Tooltip; break;
    case Gem_Type::Red: picture = Overlay_Image::Red_Tooltip; break;
    case Gem_Type::Blue: picture = Overlay_Image::Blue_Tooltip; break;
    case Gem_Type::Yellow: picture = Overlay_Image::Yellow_Tooltip; break;
    case Gem_Type::Purple: picture = Overlay_Image::Purple_Tooltip; break;
    case Gem_Type::Grey: picture = Overlay_Image::Grey_Tooltip; break;
    case Gem_Type::White: picture = Overlay_Image::White_Tooltip; break;
    default: println("default gem type case"); return;
    }
    overlay_image = picture;
    overlay_alpha = 1.0f;
}

void fade_out_overlay() {
    if (hovered_gem == nullptr) return;
    schedule_animation<f32>(&interface_scheduler, 1.0f, 3.0f, &overlay_alpha, Interpolatee::F32, 1.0f, 0.0f,
                            Shaper::Ease_Out, "");
}

void fade_in_overlay() {
    schedule_animation<f32>(&interface_scheduler, 0.0f, 0.3f, &overlay_alpha, Interpolatee::F32, 0.0f, 1.0f,
                            Shaper::Ease_In, "");
}

// ---------------------------------------------------------------------------------------------------
// Level completion and progression

// The widening always starts where every opening ends: 50 to 56 degrees.
static constexpr f32 widening_from = 0.87266463f;
static constexpr f32 widening_to = 0.97738438f;
static constexpr f32 level_end_duration = 1.2f;

void schedule_level_end(f32 t) {
    held_gem = 0;
    level_end_pending = 1;
    schedule_action(&game_scheduler, t, lock_animation_action, "animation lock during fade out");
    schedule_action<play_sound_action>(&game_scheduler, t,
                                       Play_Sound_Param{"audio/effects/level_finish2.mp3", audio_state.engine},
                                       "soundengine->play2D");
    schedule_animation<f32>(&game_scheduler, t, t + level_end_duration, &fov, Interpolatee::F32, widening_from,
                            widening_to, Shaper::Ease_In, "");
    schedule_action(&game_scheduler, t + level_end_duration, next_level_action, "next level transition");
}

void lock_animation_action() { animation_lock = 1; }

u32 next_scene_after(u32 id, u32 count) {
    u32 next = id + 1;
    return next < count ? next : 1;
}

void next_level_action() {
    level_end_pending = 0;
    scene_id = next_scene_after(scene_id, Scene_Registry.count);
    load_scene(scene_id);
}
