// Frame test harness (see frame_harness.h).
#include "frame_harness.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>
#include <time.h>
#include <unistd.h>

#include <map>

#include "imgui_inter.h"
#include "pipeline.h"

const Camera_Setting menu_camera = {{5.0f, 1.5f, 8.0f}, {5.0f, 2.5f, 0.0f}, glm::radians(50.0f)};
const Light_Setting menu_light = {139.1f, 46.3f, 157.0f, 175.0f, 8.3f};

namespace {

std::string texture_dir;
std::map<std::string, Mesh*> meshes;

class Frame_Environment : public testing::Environment {
public:
    void SetUp() override {
        // Frame synchronisation is checked too, not only API use.
        setenv("VK_LAYER_ENABLES", "VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT", 0);
        init_printer();
        char dir[] = "/tmp/morvu-frame-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        texture_dir = dir;

        ASSERT_NE(getenv("DISPLAY"), nullptr) << "the frame tests need an X display";
        ASSERT_TRUE(glfwInit());
        glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
        GLFWwindow* window = glfwCreateWindow(1600, 900, "morvu", nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        glfwSetWindowSizeCallback(window, window_size_callback);
        renderer.window = window;

        // The game's start-up order: the renderer, the pools, the overlay layer.
        double start = seconds_now();
        init_renderer();
        printf("init_renderer took %.1f ms\n", (seconds_now() - start) * 1000.0);
        bucket_array_init(&render_object_pool);
        bucket_array_init(&mesh_pool);
        bucket_array_init(&material_pool);
        init();
        overlay_image = Overlay_Image::None;
        overlay_alpha = 0.0f;
    }

    void TearDown() override {
        if (renderer.device == VK_NULL_HANDLE) return;
        vkDeviceWaitIdle(renderer.device);
        deinit();
        for (auto& [path, mesh] : meshes) {
            vkDestroyBuffer(renderer.device, mesh->vertex_buffer, nullptr);
            vkFreeMemory(renderer.device, mesh->vertex_memory, nullptr);
            vkDestroyBuffer(renderer.device, mesh->index_buffer, nullptr);
            vkFreeMemory(renderer.device, mesh->index_memory, nullptr);
        }
        bucket_array_for_each(&material_pool, [](Material* material) {
            image_destroy(&material->albedo);
            image_destroy(&material->normal_map);
        });
        // Whatever is still alive now is reported by the validation layer when the device goes.
        deinit_renderer();
        glfwDestroyWindow(renderer.window);
        glfwTerminate();
        run_command("rm -rf '" + texture_dir + "'");
    }
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Frame_Environment);

glm::mat4 camera_view_projection;

void copy_to(VkDeviceMemory memory, const void* data, u64 size) {
    void* mapped;
    vk_check(vkMapMemory(renderer.device, memory, 0, size, 0, &mapped));
    memcpy(mapped, data, size);
    vkUnmapMemory(renderer.device, memory);
}

}  // namespace

glm::vec3 light_eye(glm::vec3 target, const Light_Setting& light) {
    glm::mat4 tilt = glm::rotate(glm::mat4(1.0f), glm::radians(light.tilt_deg), glm::vec3(1, 0, 0));
    glm::mat4 orbit = glm::rotate(glm::mat4(1.0f), glm::radians(-light.orbit_deg), glm::vec3(0, 0, 1));
    return glm::vec3(orbit * tilt * glm::vec4(target.x, target.y + 160.0f, target.z, 1.0f));
}

void write_uniforms(const Camera_Setting& camera, const Light_Setting& light) {
    const glm::vec3 up = {0, 0, 1};
    glm::vec3 eye = light_eye(camera.target, light);
    Scene_Uniforms* scene = &renderer.scene_uniforms;
    scene->view = glm::lookAt(camera.position, camera.target, up);
    scene->projection =
        glm::perspective(camera.fov, (f32)renderer.window_width / (f32)renderer.window_height, 0.1f, 100.0f);
    glm::mat4 light_projection = glm::perspective(glm::radians(light.fov_deg), 1.0f, light.near, light.far);
    scene->light_space = light_projection * glm::lookAt(eye, camera.target, up);
    scene->light_position = eye;
    renderer.light_uniforms.light_space = scene->light_space;
    camera_view_projection = scene->projection * scene->view;

    u32 k = 0;
    bucket_array_for_each(&render_object_pool,
                          [&](Transform* t) { object_uniform_slot(k++)->model = get_world_matrix(t); });

    copy_to(renderer.light_uniform_memory, &renderer.light_uniforms, sizeof(Light_Uniforms));
    copy_to(renderer.scene_uniform_memory, &renderer.scene_uniforms, sizeof(Scene_Uniforms));
    copy_to(renderer.object_uniform_memory, renderer.object_uniforms_host, renderer.object_uniform_size);
}

glm::vec2 window_pixel(glm::vec3 world) {
    glm::vec4 clip = camera_view_projection * glm::vec4(world, 1.0f);
    glm::vec2 ndc = glm::vec2(clip) / clip.w;
    // Framebuffer y points down and the projection does not flip it.
    return {(ndc.x * 0.5f + 0.5f) * (f32)renderer.window_width, (ndc.y * 0.5f + 0.5f) * (f32)renderer.window_height};
}

std::string solid_texture(u8 r, u8 g, u8 b) {
    char name[64];
    snprintf(name, sizeof name, "/solid_%02x%02x%02x.png", r, g, b);
    std::string path = texture_dir + name;
    if (access(path.c_str(), F_OK) != 0) {
        std::vector<u8> pixels(8 * 8 * 4);
        for (size_t i = 0; i < pixels.size(); i += 4) {
            pixels[i] = r;
            pixels[i + 1] = g;
            pixels[i + 2] = b;
            pixels[i + 3] = 255;
        }
        stbi_write_png(path.c_str(), 8, 8, 4, pixels.data(), 8 * 4);
    }
    return path;
}

Material* solid_material(u8 r, u8 g, u8 b, glm::ivec3 normal) {
    std::string normal_map = solid_texture((u8)normal.x, (u8)normal.y, (u8)normal.z);
    Material* material = create_material(solid_texture(r, g, b).c_str(), normal_map.c_str());
    upload_texture_image(&material->albedo, renderer.command_pool, renderer.queue);
    upload_texture_image(&material->normal_map, renderer.command_pool, renderer.queue);
    maybe_create_descriptor_set(material);
    return material;
}

Mesh* run_mesh(const char* path) {
    Mesh*& mesh = meshes[path];
    if (mesh == nullptr) {
        mesh = load_obj(path);
        upload_mesh(mesh);
    }
    return mesh;
}

Transform* add_object(Mesh* mesh, Material* material, glm::vec3 position, glm::vec3 scale) {
    Transform* t = bucket_array_alloc(&render_object_pool);
    *t = {mesh, material, position, glm::quat(1, 0, 0, 0), scale, nullptr};
    return t;
}

Transform* add_object(Mesh* mesh, Material* material, glm::vec3 position, f32 scale) {
    return add_object(mesh, material, position, glm::vec3(scale));
}

void clear_scene(glm::vec3 clear_color) {
    vkDeviceWaitIdle(renderer.device);
    bucket_array_reset(&render_object_pool);
    renderer.clear_color = clear_color;
}

void record_scene() {
    vkDeviceWaitIdle(renderer.device);
    record_command_buffers();
}

void draw_frames(u32 count, const Camera_Setting& camera, const Light_Setting& light) {
    for (u32 i = 0; i < count; i++) {
        glfwPollEvents();
        write_uniforms(camera, light);
        draw_frame(1.0f / 60.0f);
    }
}

glm::ivec3 Window_Shot::at(u32 x, u32 y) const {
    const u8* p = &rgb[3 * ((size_t)y * width + x)];
    return {p[0], p[1], p[2]};
}

glm::ivec3 Window_Shot::at(glm::vec2 pixel) const {
    return at((u32)glm::clamp(pixel.x, 0.0f, (f32)width - 1), (u32)glm::clamp(pixel.y, 0.0f, (f32)height - 1));
}

f32 Window_Shot::brightness(glm::vec2 pixel, s32 radius) const {
    f32 sum = 0;
    u32 n = 0;
    for (s32 dy = -radius; dy <= radius; dy++) {
        for (s32 dx = -radius; dx <= radius; dx++) {
            glm::ivec3 c = at(pixel + glm::vec2(dx, dy));
            sum += (f32)(c.r + c.g + c.b) / 3.0f;
            n++;
        }
    }
    return sum / (f32)n;
}

Window_Shot shoot_window() {
    Window_Shot shot;
    int x = 0, y = 0, w = 0, h = 0;
    glfwGetWindowPos(renderer.window, &x, &y);
    glfwGetWindowSize(renderer.window, &w, &h);
    std::string path = texture_dir + "/window.png";
    char crop[96];
    snprintf(crop, sizeof crop, "%dx%d+%d+%d", w, h, x, y);
    run_command("import -window root -crop " + std::string(crop) + " +repage png:" + path + " 2>&1");
    int got_w = 0, got_h = 0, channels = 0;
    u8* pixels = stbi_load(path.c_str(), &got_w, &got_h, &channels, 3);
    if (pixels == nullptr) return shot;
    shot.width = (u32)got_w;
    shot.height = (u32)got_h;
    shot.rgb.assign(pixels, pixels + (size_t)got_w * got_h * 3);
    stbi_image_free(pixels);
    return shot;
}

std::string save_shot(const Window_Shot& shot, const std::string& name) {
    std::string path = "/tmp/morvu_frame_" + name + ".png";
    stbi_write_png(path.c_str(), (int)shot.width, (int)shot.height, 3, shot.rgb.data(), (int)shot.width * 3);
    return path;
}
