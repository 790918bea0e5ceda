// The renderer's frame on a real window: render objects drawn where the camera puts them, lit and
// shadowed by the light; uniform slots in draw order; reloads and resizes that allocate nothing new.
// The counting wrappers below name the table's fields, so the commands' call names stay plain.
#define VKLOADS_NO_CALL_NAMES
#include <gtest/gtest.h>
#include <stb_image_write.h>
#include <unistd.h>

#include <map>

#include "app.h"
#include "image.h"
#include "imgui_inter.h"
#include "in_process.h"
#include "mesh.h"
#include "pipeline.h"
#include "transform.h"

namespace {

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Renderer_Environment);

const glm::vec3 black = {0, 0, 0};

// The main menu's camera and light: a 10 x 5 board seen from above at an angle.
const glm::vec3 menu_eye = {5.0f, 1.5f, 8.0f}, menu_target = {5.0f, 2.5f, 0.0f};
const f32 menu_fov = glm::radians(50.0f);
const Light menu_light = {139.1f, 46.3f, 157.0f, 175.0f, 8.3f};

void copy_to(VkDeviceMemory memory, const void* data, u64 size) {
    void* mapped;
    vk_check(vk_entry_points.vkMapMemory(renderer.device, memory, 0, size, 0, &mapped));
    memcpy(mapped, data, size);
    vk_entry_points.vkUnmapMemory(renderer.device, memory);
}

// The game's matrices for the menu's camera and light, and the world matrix of every live render
// object in walk order, copied into the uniform buffers the way the game's update does.
void write_uniforms() {
    Frame_Matrices m = compute_frame_matrices(&menu_light, menu_eye, menu_target, menu_fov, renderer.window_width,
                                              renderer.window_height);
    renderer.scene_uniforms = {m.view, m.projection, m.light_space, m.light_position};
    renderer.light_uniforms.light_space = m.light_space;
    u32 k = 0;
    bucket_array_for_each(&render_object_pool,
                          [&](Transform* t) { object_uniform_slot(k++)->model = get_world_matrix(t); });
    copy_to(renderer.light_uniform_memory, &renderer.light_uniforms, sizeof(Light_Uniforms));
    copy_to(renderer.scene_uniform_memory, &renderer.scene_uniforms, sizeof(Scene_Uniforms));
    copy_to(renderer.object_uniform_memory, renderer.object_uniforms_host, renderer.object_uniform_size);
}

// The uniform data is written before every frame: the window size may have changed.
class Frame : public testing::Test {
protected:
    static void SetUpTestSuite() { before_frame = write_uniforms; }
};

// A material of one colour over a normal map of one normal (flat by default), uploaded with its set.
Material* solid_material(u8 r, u8 g, u8 b, glm::ivec3 normal = {128, 128, 255}) {
    // The files are read when the material is made, and not needed after.
    std::string albedo = "/tmp/morvu_albedo_" + std::to_string(getpid()) + ".png";
    std::string normal_map = "/tmp/morvu_normal_" + std::to_string(getpid()) + ".png";
    auto write = [](const std::string& path, glm::ivec3 c) {
        u8 pixels[8 * 8 * 4];
        for (u32 i = 0; i < sizeof pixels; i += 4) {
            pixels[i] = (u8)c.r;
            pixels[i + 1] = (u8)c.g;
            pixels[i + 2] = (u8)c.b;
            pixels[i + 3] = 255;
        }
        stbi_write_png(path.c_str(), 8, 8, 4, pixels, 8 * 4);
    };
    write(albedo, {r, g, b});
    write(normal_map, normal);
    Material* material = create_material(albedo.c_str(), normal_map.c_str());
    remove(albedo.c_str());
    remove(normal_map.c_str());
    upload_texture_image(&material->albedo, renderer.command_pool, renderer.queue);
    upload_texture_image(&material->normal_map, renderer.command_pool, renderer.queue);
    maybe_create_descriptor_set(material);
    return material;
}

// A mesh of the run directory, loaded once per path and uploaded.
Mesh* run_mesh(const char* path) {
    static std::map<std::string, Mesh*> meshes;
    Mesh*& mesh = meshes[path];
    if (mesh == nullptr) {
        mesh = load_obj(path);
        upload_mesh(mesh);
    }
    return mesh;
}

// A new root render object at the end of the pool.
Transform* add_object(Mesh* mesh, Material* material, glm::vec3 position, glm::vec3 scale) {
    Transform* t = bucket_array_alloc(&render_object_pool);
    *t = {mesh, material, position, glm::quat(1, 0, 0, 0), scale, nullptr};
    return t;
}

Transform* add_object(Mesh* mesh, Material* material, glm::vec3 position, f32 scale) {
    return add_object(mesh, material, position, glm::vec3(scale));
}

// Empties the pool and sets the clear colour; the device must be idle before recording.
void clear_scene(glm::vec3 clear_color) {
    vk_entry_points.vkDeviceWaitIdle(renderer.device);
    bucket_array_reset(&render_object_pool);
    renderer.clear_color = clear_color;
}

// After objects were added: wait for the device, record the scene command buffers.
void record_scene() {
    vk_entry_points.vkDeviceWaitIdle(renderer.device);
    record_command_buffers();
}

// Mean brightness (r + g + b) / 3 over a square of side 2 * radius + 1.
f32 brightness(const Screenshot& shot, glm::dvec2 at, s32 radius) {
    glm::vec3 c = shot.mean(at, radius);
    return (c.r + c.g + c.b) / 3.0f;
}

struct Gem_Place {
    const char* mesh;
    glm::ivec3 color;
    glm::vec3 position;
};

// A board like the main menu's: a light grey backdrop, gems standing on cells, and a tile floating
// one unit above the board whose shadow falls on open board.
const Gem_Place menu_gems[] = {
    {"meshes/red_gem.obj", {220, 30, 30}, {2, 2, 0}},
    {"meshes/blue_gem.obj", {30, 60, 220}, {5, 1, 0}},
    {"meshes/purple_gem.obj", {160, 40, 200}, {7, 3, 0}},
    {"meshes/black_gem.obj", {40, 200, 60}, {3, 4, 0}},
};
const glm::vec3 tile_position = {6.5f, 2.0f, 1.0f};

// Where the shadow of a point falls on the plane z = 0.
glm::vec3 shadow_on_board(glm::vec3 point, glm::vec3 eye) {
    f32 t = point.z / (eye.z - point.z);
    return point + (point - eye) * t;
}

void build_menu_scene() {
    clear_scene(black);
    Mesh* plane = run_mesh("meshes/plane.obj");
    add_object(plane, solid_material(190, 190, 190), {3, 2, -0.01f}, {20, 20, 1});
    for (const Gem_Place& gem : menu_gems)
        add_object(run_mesh(gem.mesh), solid_material((u8)gem.color.r, (u8)gem.color.g, (u8)gem.color.b), gem.position,
                   0.3f);
    add_object(plane, solid_material(230, 210, 120), tile_position, 1.0f);
    record_scene();
}

TEST_F(Frame, GemsStandWhereTheCameraPutsThemLitAndShadowed) {
    build_menu_scene();
    Screenshot shot = settled_window();
    ASSERT_EQ(shot.width, renderer.window_width);
    printf("screenshot: %s\n", save_png(shot, "frame_menu").c_str());

    for (const Gem_Place& gem : menu_gems) {
        // The gem's colour shows where the camera puts the middle of its crown.
        glm::dvec2 at = window_point_of(gem.position + glm::vec3(0, 0, 0.15f));
        glm::ivec3 c = shot.at(at);
        SCOPED_TRACE(gem.mesh);
        glm::ivec3 want = gem.color;
        f32 seen_dot = glm::dot(glm::normalize(glm::vec3(c) + 1.0f), glm::normalize(glm::vec3(want)));
        EXPECT_GT(seen_dot, 0.95f) << "colour " << c.r << "," << c.g << "," << c.b << " at " << at.x << "," << at.y;
        // Facets turned to the light are lit well above the ambient share, others less so.
        f32 brightest = 0, darkest = 1000;
        for (s32 dy = -8; dy <= 8; dy++)
            for (s32 dx = -8; dx <= 8; dx++) {
                glm::ivec3 p = shot.at(at + glm::dvec2(dx, dy));
                f32 level = (f32)glm::max(p.r, glm::max(p.g, p.b)) / (f32)glm::max(want.r, glm::max(want.g, want.b));
                brightest = glm::max(brightest, level);
                darkest = glm::min(darkest, level);
            }
        printf("%s: facets from %.2f to %.2f of the albedo\n", gem.mesh, darkest, brightest);
        EXPECT_GT(brightest, 0.75f);
        EXPECT_GT(brightest - darkest, 0.1f) << "every facet equally bright";
    }

    // The tile's shadow: darker than open board in the light, about the ambient share.
    glm::vec3 eye = light_eye(menu_target, menu_light.orbit_deg, menu_light.tilt_deg);
    glm::vec3 shadow_centre = shadow_on_board(tile_position, eye);
    glm::vec3 away = glm::normalize(glm::vec3(shadow_centre.x - tile_position.x, shadow_centre.y - tile_position.y, 0));
    // Past the tile's own outline as the camera sees it, still well inside its shadow.
    glm::vec3 in_shadow = shadow_centre + away * 0.3f;
    glm::vec3 in_light = in_shadow + glm::vec3(away.y, -away.x, 0) * 1.6f;
    f32 shadowed = brightness(shot, window_point_of(in_shadow), 3);
    f32 lit = brightness(shot, window_point_of(in_light), 3);
    printf("board brightness: %.1f in the light, %.1f in the tile's shadow\n", lit, shadowed);
    EXPECT_GT(lit, 150.0f);
    EXPECT_LT(shadowed, 0.5f * lit);
    EXPECT_GT(shadowed, 20.0f) << "a shadow keeps the ambient light";
}

TEST_F(Frame, NormalMapsTurnTheLighting) {
    // Tiles of one albedo whose normal maps lean 45 degrees toward the picture's right, left, top and
    // bottom: on the plane mesh those are world +x, -x, +y and -y.
    clear_scene(black);
    Mesh* plane = run_mesh("meshes/plane.obj");
    struct Tile {
        glm::ivec3 normal;
        glm::vec3 lean;
        glm::vec3 position;
    } tiles[] = {
        {{128, 128, 255}, {0, 0, 0}, {5, 2.5f, 0}},  {{218, 128, 218}, {1, 0, 0}, {7, 2.5f, 0}},
        {{37, 128, 218}, {-1, 0, 0}, {3, 2.5f, 0}},  {{128, 218, 218}, {0, 1, 0}, {5, 4.5f, 0}},
        {{128, 37, 218}, {0, -1, 0}, {5, 0.5f, 0}},
    };
    for (const Tile& tile : tiles) add_object(plane, solid_material(180, 180, 180, tile.normal), tile.position, 1.5f);
    record_scene();
    Screenshot shot = settled_window();
    save_png(shot, "frame_normal_maps");

    // Brighter where the leaning normal meets the light more squarely, as the light's direction says.
    glm::vec3 eye = light_eye(menu_target, menu_light.orbit_deg, menu_light.tilt_deg);
    auto facing = [&](const Tile& tile) {
        glm::vec3 n = glm::normalize(glm::vec3(0, 0, 1) + tile.lean);
        return glm::dot(n, glm::normalize(eye - tile.position));
    };
    for (const Tile& a : tiles)
        for (const Tile& b : tiles) {
            if (facing(a) < facing(b) + 0.2f) continue;
            EXPECT_GT(brightness(shot, window_point_of(a.position), 4), brightness(shot, window_point_of(b.position), 4) + 20)
                << "lean " << a.lean.x << "," << a.lean.y << " against " << b.lean.x << "," << b.lean.y;
        }
}

// A colour of its own for each of `count` objects: hues spread around the wheel.
glm::ivec3 palette(u32 i, u32 count) {
    f32 hue = 6.0f * (f32)i / (f32)count;
    auto channel = [&](f32 offset) {
        f32 d = glm::abs(glm::mod(hue + offset, 6.0f) - 3.0f) - 1.0f;
        return (int)(40.0f + 200.0f * glm::clamp(d, 0.0f, 1.0f));
    };
    return {channel(0.0f), channel(4.0f), channel(2.0f)};
}

// Index of the palette colour whose direction is closest to what the screen shows.
u32 nearest_palette(glm::ivec3 seen, u32 count) {
    u32 best = 0;
    f32 best_dot = -1;
    for (u32 i = 0; i < count; i++) {
        f32 d = glm::dot(glm::normalize(glm::vec3(seen) + 1.0f), glm::normalize(glm::vec3(palette(i, count))));
        if (d > best_dot) best_dot = d, best = i;
    }
    return best;
}

TEST_F(Frame, EachObjectDrawsWithItsOwnUniformSlot) {
    // Twenty tiles over two buckets of the pool, one of them released: the draw walk must number the
    // slots exactly as the update's walk does, skipping the released one.
    const u32 count = 20, released = 7;
    clear_scene(black);
    Mesh* plane = run_mesh("meshes/plane.obj");
    std::vector<Transform*> tiles;
    for (u32 i = 0; i < count; i++) {
        glm::ivec3 c = palette(i, count);
        glm::vec3 cell = {(f32)(i % 5) * 2.0f + 1.0f, (f32)(i / 5) * 1.3f + 0.5f, 0.0f};
        tiles.push_back(add_object(plane, solid_material((u8)c.r, (u8)c.g, (u8)c.b), cell, 0.9f));
    }
    bucket_array_release(&render_object_pool, tiles[released]);
    record_scene();
    Screenshot shot = settled_window();
    save_png(shot, "frame_slots");
    for (u32 i = 0; i < count; i++) {
        glm::ivec3 seen = shot.at(window_point_of(tiles[i]->position));
        if (i == released) {
            EXPECT_EQ(seen, glm::ivec3(0, 0, 0)) << "the released tile was drawn";
            continue;
        }
        EXPECT_EQ(nearest_palette(seen, count), i) << "tile " << i << " shows " << seen.r << "," << seen.g << "," << seen.b;
    }

    // Moving objects needs new uniform data, not a new recording: swap two tiles' places.
    std::swap(tiles[2]->position, tiles[17]->position);
    shot = settled_window();
    EXPECT_EQ(nearest_palette(shot.at(window_point_of(tiles[2]->position)), count), 2u);
    EXPECT_EQ(nearest_palette(shot.at(window_point_of(tiles[17]->position)), count), 17u);
}

TEST_F(Frame, EmptySceneShowsTheClearColour) {
    clear_scene({0.2f, 0.4f, 0.6f});
    record_scene();
    Screenshot shot = settled_window();
    for (glm::dvec2 at : {glm::dvec2(5, 5), glm::dvec2(800, 450), glm::dvec2(1590, 890)})
        EXPECT_EQ(shot.at(at), glm::ivec3(51, 102, 153)) << at.x << "," << at.y;
}

// Counts of live Vulkan objects, kept by wrapping the entry points the renderer calls through (the
// real commands still run underneath).
struct Live_Objects {
    s64 memory, buffers, images, views, framebuffers, semaphores, fences, command_buffers, render_passes;
    s64 descriptor_sets_allocated;
    s64 vek_blocks;   // counted allocations not yet freed
    bool operator==(const Live_Objects&) const = default;
};
Live_Objects live;
Vulkan_Entry_Points real;

#define COUNT_CREATE(command, counter)                                                                  \
    vk_entry_points.command = [](VkDevice d, auto info, auto allocator, auto out) {                     \
        VkResult r = real.command(d, info, allocator, out);                                             \
        if (r == VK_SUCCESS) live.counter++;                                                            \
        return r;                                                                                       \
    };
#define COUNT_DESTROY(command, counter)                                                                 \
    vk_entry_points.command = [](VkDevice d, auto handle, auto allocator) {                             \
        if (handle != VK_NULL_HANDLE) live.counter--;                                                   \
        real.command(d, handle, allocator);                                                             \
    };

void start_counting() {
    real = vk_entry_points;
    live = {};
    COUNT_CREATE(vkAllocateMemory, memory)
    COUNT_DESTROY(vkFreeMemory, memory)
    COUNT_CREATE(vkCreateBuffer, buffers)
    COUNT_DESTROY(vkDestroyBuffer, buffers)
    COUNT_CREATE(vkCreateImage, images)
    COUNT_DESTROY(vkDestroyImage, images)
    COUNT_CREATE(vkCreateImageView, views)
    COUNT_DESTROY(vkDestroyImageView, views)
    COUNT_CREATE(vkCreateFramebuffer, framebuffers)
    COUNT_DESTROY(vkDestroyFramebuffer, framebuffers)
    COUNT_CREATE(vkCreateSemaphore, semaphores)
    COUNT_DESTROY(vkDestroySemaphore, semaphores)
    COUNT_CREATE(vkCreateFence, fences)
    COUNT_DESTROY(vkDestroyFence, fences)
    COUNT_CREATE(vkCreateRenderPass, render_passes)
    COUNT_DESTROY(vkDestroyRenderPass, render_passes)
    vk_entry_points.vkAllocateCommandBuffers = [](VkDevice d, const VkCommandBufferAllocateInfo* info,
                                                  VkCommandBuffer* out) {
        VkResult r = real.vkAllocateCommandBuffers(d, info, out);
        if (r == VK_SUCCESS) live.command_buffers += info->commandBufferCount;
        return r;
    };
    vk_entry_points.vkFreeCommandBuffers = [](VkDevice d, VkCommandPool pool, u32 count, const VkCommandBuffer* buffers) {
        live.command_buffers -= count;
        real.vkFreeCommandBuffers(d, pool, count, buffers);
    };
    vk_entry_points.vkAllocateDescriptorSets = [](VkDevice d, const VkDescriptorSetAllocateInfo* info,
                                                  VkDescriptorSet* out) {
        VkResult r = real.vkAllocateDescriptorSets(d, info, out);
        if (r == VK_SUCCESS) live.descriptor_sets_allocated += info->descriptorSetCount;
        return r;
    };
}

void stop_counting() { vk_entry_points = real; }

Live_Objects snapshot() {
    Live_Objects now = live;
    now.vek_blocks = (s64)vek_malloc_calls + vek_calloc_calls - vek_free_calls;
    return now;
}

std::string describe(const Live_Objects& o) {
    char text[256];
    snprintf(text, sizeof text,
             "memory %ld, buffers %ld, images %ld, views %ld, framebuffers %ld, semaphores %ld, fences %ld, "
             "command buffers %ld, render passes %ld, descriptor sets allocated %ld, vek blocks %ld",
             o.memory, o.buffers, o.images, o.views, o.framebuffers, o.semaphores, o.fences, o.command_buffers,
             o.render_passes, o.descriptor_sets_allocated, o.vek_blocks);
    return text;
}

TEST_F(Frame, ReloadingAndRedrawingAllocateNothingNew) {
    // What a scene load does to the renderer: empty the pool, place the objects again (meshes and
    // textures already on the GPU, material sets already made), wait, record; then frames.
    build_menu_scene();
    draw_frames(2);
    start_counting();
    Live_Objects before = snapshot();
    const u32 reloads = 40;
    for (u32 i = 0; i < reloads; i++) {
        bucket_array_reset(&render_object_pool);
        Material* materials[5];
        u32 m = 0;
        bucket_array_for_each(&material_pool, [&](Material* material) {
            if (m < 5) materials[m++] = material;
        });
        for (u32 j = 0; j < 5; j++) {
            maybe_create_descriptor_set(materials[j]);
            add_object(run_mesh("meshes/red_gem.obj"), materials[j], {1.0f + 2.0f * j, 2, 0}, 0.3f);
        }
        record_scene();
        draw_frames(1);
    }
    Live_Objects after = snapshot();
    stop_counting();
    EXPECT_EQ(describe(after), describe(before)) << "after " << reloads << " reloads";
}

bool window_extent_is(u32 width, u32 height) {
    return renderer.window_width == width && renderer.window_height == height;
}

// The gems of the menu scene that the window's aspect leaves in view show their colours where the
// current matrices put them.
void expect_gems_in_place(const Screenshot& shot) {
    ASSERT_EQ(shot.width, renderer.window_width);
    ASSERT_EQ(shot.height, renderer.window_height);
    u32 in_view = 0;
    for (const Gem_Place& gem : menu_gems) {
        glm::dvec2 at = window_point_of(gem.position + glm::vec3(0, 0, 0.15f));
        if (at.x < 20 || at.y < 20 || at.x > (f32)shot.width - 20 || at.y > (f32)shot.height - 20) continue;
        in_view++;
        glm::vec3 seen = glm::vec3(shot.at(at)) + 1.0f;
        EXPECT_GT(glm::dot(glm::normalize(seen), glm::normalize(glm::vec3(gem.color))), 0.95f)
            << gem.mesh << " at " << renderer.window_width << "x" << renderer.window_height;
    }
    EXPECT_GE(in_view, 2u) << renderer.window_width << "x" << renderer.window_height;
}

TEST_F(Frame, ResizesWhileDrawingRebuildAndDrawAtTheNewSize) {
    build_menu_scene();
    draw_frames(2);
    start_counting();
    Live_Objects before = snapshot();
    std::string id = find_game_window().id;
    const u32 sizes[][2] = {{1100, 700}, {640, 900}, {1300, 500}, {1600, 900}};
    for (const auto& size : sizes) {
        // The request goes out while frames keep being drawn; its events arrive in between.
        shell("xdotool windowsize " + id + " " + std::to_string(size[0]) + " " + std::to_string(size[1]));
        ASSERT_TRUE(draw_until([&] { return window_extent_is(size[0], size[1]); }))
            << "still " << renderer.window_width << "x" << renderer.window_height;
        Screenshot shot = settled_window();
        save_png(shot, "frame_resized_" + std::to_string(size[0]));
        expect_gems_in_place(shot);
    }
    Live_Objects after = snapshot();
    stop_counting();
    // The overlay layer allocates its pictures' sets anew from its own new pool at every rebuild.
    before.descriptor_sets_allocated = after.descriptor_sets_allocated = 0;
    EXPECT_EQ(describe(after), describe(before)) << "back at the first size";
}

TEST_F(Frame, OutOfDateSwapchainIsRebuiltWithoutTheResizeEvent) {
    build_menu_scene();
    draw_frames(2);
    // The window changes size but its events are not polled: only acquire and present can tell.
    std::string id = find_game_window().id;
    shell("xdotool windowsize --sync " + id + " 1200 800");
    for (double end = seconds_now() + patience_s; !window_extent_is(1200, 800) && seconds_now() < end;)
        draw_one_frame(false);
    ASSERT_TRUE(window_extent_is(1200, 800)) << "still " << renderer.window_width << "x" << renderer.window_height;
    expect_gems_in_place(settled_window());

    shell("xdotool windowsize --sync " + id + " 1600 900");
    ASSERT_TRUE(draw_until([] { return window_extent_is(1600, 900); }));
}

}  // namespace
