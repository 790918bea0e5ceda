// Overlay test harness (see overlay_harness.h).
#include "overlay_harness.h"

#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

const Rgb background = {26, 51, 77};
std::string picture_dir;
std::string run_dir;
u32 rebuild_count = 0;

namespace {

const u32 frames_in_flight = 2;
const u32 no_image = 0xFFFFFFFF;

// What the game's frame loop would own: per frame in flight an acquire semaphore and the swapchain
// image its submission drew (whose overlay fence tells when the semaphore is free again); per
// swapchain image a render-finished semaphore.
struct Frame_Loop {
    VkSemaphore acquire[frames_in_flight];
    u32 submitted_image[frames_in_flight];
    u32 frame;
    std::vector<VkSemaphore> render_finished;
} loop;

// The scene pass stand-in: the main pass, cleared to the background, nothing drawn.
void record_scene_buffers() {
    for (u32 i = 0; i < renderer.image_count; i++) {
        VkCommandBuffer cb = renderer.scene_command_buffers[i];
        VkCommandBufferBeginInfo begin = {};
        begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
        begin.flags = VK_COMMAND_BUFFER_USAGE_SIMULTANEOUS_USE_BIT;
        vk_check(vkBeginCommandBuffer(cb, &begin));
        VkClearValue clear[2] = {};
        clear[0].color = {{background.r / 255.0f, background.g / 255.0f, background.b / 255.0f, 1.0f}};
        clear[1].depthStencil = {1.0f, 0};
        VkRenderPassBeginInfo pass = {};
        pass.sType = VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO;
        pass.renderPass = renderer.main_render_pass;
        pass.framebuffer = renderer.swapchain_framebuffers[i];
        pass.renderArea = {{0, 0}, {renderer.window_width, renderer.window_height}};
        pass.clearValueCount = 2;
        pass.pClearValues = clear;
        vkCmdBeginRenderPass(cb, &pass, VK_SUBPASS_CONTENTS_INLINE);
        vkCmdEndRenderPass(cb);
        vk_check(vkEndCommandBuffer(cb));
    }
}

void create_render_finished() {
    loop.render_finished.resize(renderer.image_count);
    VkSemaphoreCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO;
    for (VkSemaphore& semaphore : loop.render_finished)
        vk_check(vkCreateSemaphore(renderer.device, &info, nullptr, &semaphore));
}

void destroy_render_finished() {
    for (VkSemaphore semaphore : loop.render_finished) vkDestroySemaphore(renderer.device, semaphore, nullptr);
    loop.render_finished.clear();
}

// The swapchain and everything that follows it, then the overlay layer on the new swapchain.
void rebuild() {
    vkDeviceWaitIdle(renderer.device);
    renderer.window_resized = false;
    VkSwapchainKHR old = renderer.swapchain;
    create_swapchain();
    cleanup_swapchain(old);
    depth_image_destroy(renderer.depth_image);
    create_render_pass();
    create_image_views();
    create_color_resources();
    create_depth_resources();
    create_framebuffer();
    create_command_buffers();
    record_scene_buffers();
    destroy_render_finished();
    create_render_finished();

    deinit();
    init();
    for (u32& image : loop.submitted_image) image = no_image;
    rebuild_count++;
}

class Overlay_Environment : public testing::Environment {
public:
    void SetUp() override {
        // Frame synchronisation is checked too, not only API use.
        setenv("VK_LAYER_ENABLES", "VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT", 0);
        init_printer();
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        run_dir = cwd;

        // Pictures of known colours and shapes, so places and sizes can be read off the screen. A fixed
        // folder of the build: the death tests' child processes write the same files there again.
        picture_dir = OVERLAY_TEST_DIR;
        run_command("mkdir -p '" + picture_dir + "/textures/overlays'");
        const char* files[overlay_picture_count] = {
            "loading.png", "logo.png", "u3.png", "arrow_keys.png", "space_arrow_keys.png", "red_tooltip.png",
            "blue_tooltip.png", "black_tooltip.png", "grey_tooltip.png", "white_tooltip.png", "purple_tooltip.png",
            "yellow_tooltip.png"};
        for (u32 i = 0; i < overlay_picture_count; i++) {
            const f32 aspects[overlay_picture_count] = {2, 1.5f, 1, 1.5f, 3, 1, 2, 0.5f, 1.25f, 1, 1, 1};
            write_test_picture(picture_dir + "/textures/overlays/" + files[i], aspects[i], picture_fill(i + 1),
                               picture_corner(i + 1));
        }
        ASSERT_EQ(chdir(picture_dir.c_str()), 0);

        ASSERT_NE(getenv("DISPLAY"), nullptr) << "the overlay tests need an X display";
        ASSERT_TRUE(glfwInit());
        glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
        GLFWwindow* window = glfwCreateWindow(1600, 900, "morvu", nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        glfwSetWindowSizeCallback(window, window_size_callback);
        renderer.window = window;

        // The renderer's start-up, as far as a cleared scene pass needs.
        create_instance();
        discover_hardware();
        create_device();
        vkGetDeviceQueue(renderer.device, renderer.queue_family, 0, &renderer.queue);
        create_swapchain();
        create_image_views();
        create_render_pass();
        create_command_pool();
        create_color_resources();
        create_depth_resources();
        create_framebuffer();
        create_command_buffers();
        record_scene_buffers();

        VkSemaphoreCreateInfo semaphore_info = {};
        semaphore_info.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO;
        for (u32 i = 0; i < frames_in_flight; i++) {
            vk_check(vkCreateSemaphore(renderer.device, &semaphore_info, nullptr, &loop.acquire[i]));
            loop.submitted_image[i] = no_image;
        }
        create_render_finished();

        // The game builds the layer once the renderer is up.
        init();
    }

    void TearDown() override {
        if (renderer.device == VK_NULL_HANDLE) return;
        vkDeviceWaitIdle(renderer.device);
        if (overlay.overlay_command_pool != VK_NULL_HANDLE) deinit();
        destroy_render_finished();
        for (VkSemaphore semaphore : loop.acquire) vkDestroySemaphore(renderer.device, semaphore, nullptr);
        // Anything left alive is reported by the validation layer when the device goes.
        deinit_renderer();
        glfwDestroyWindow(renderer.window);
        glfwTerminate();
    }
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Overlay_Environment);

}  // namespace

Rgb picture_fill(u32 id) {
    int i = (int)id - 1;
    return {40 + i * 17, 230 - i * 13, (i % 3) * 100 + 20};
}

Rgb picture_corner(u32 id) {
    int i = (int)id - 1;
    return {250 - i * 11, 20 + i * 7, 240 - (i % 4) * 50};
}

void write_test_picture(const std::string& file, f32 aspect, Rgb fill, Rgb corner) {
    const int height = 64;
    const int width = (int)(aspect * height);
    std::vector<u8> pixels((size_t)width * height * 4);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            Rgb c = (x < width / 2 && y < height / 2) ? corner : fill;
            u8* p = &pixels[4 * ((size_t)y * width + x)];
            p[0] = (u8)c.r;
            p[1] = (u8)c.g;
            p[2] = (u8)c.b;
            p[3] = 255;
        }
    }
    stbi_write_png(file.c_str(), width, height, 4, pixels.data(), width * 4);
}

void rebuild_overlay() {
    vkDeviceWaitIdle(renderer.device);
    deinit();
    init();
    for (u32& image : loop.submitted_image) image = no_image;
}

void draw_test_frame(bool build_gui) {
    if (renderer.window_resized) rebuild();
    VkDevice device = renderer.device;

    if (build_gui) render_ui(1.0f / 60.0f);

    // The acquire semaphore of this slot is free once the submission that waited on it has finished.
    u32 f = loop.frame;
    if (loop.submitted_image[f] != no_image)
        vk_check(vkWaitForFences(device, 1, &overlay.overlay_fences[loop.submitted_image[f]], VK_TRUE, UINT64_MAX));

    u32 image_index = 0;
    VkResult acquired =
        vkAcquireNextImageKHR(device, renderer.swapchain, UINT64_MAX, loop.acquire[f], VK_NULL_HANDLE, &image_index);
    if (acquired == VK_ERROR_OUT_OF_DATE_KHR) {
        rebuild();
        return;
    }
    if (acquired != VK_SUBOPTIMAL_KHR) vk_check(acquired);

    VkFence fence = overlay.overlay_fences[image_index];
    vk_check(vkWaitForFences(device, 1, &fence, VK_TRUE, UINT64_MAX));
    vk_check(vkResetFences(device, 1, &fence));
    record_cmd_buffer(image_index);

    VkCommandBuffer buffers[2] = {renderer.scene_command_buffers[image_index],
                                  overlay.overlay_command_buffers[image_index]};
    VkPipelineStageFlags wait_stage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    VkSubmitInfo submit = {};
    submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    submit.waitSemaphoreCount = 1;
    submit.pWaitSemaphores = &loop.acquire[f];
    submit.pWaitDstStageMask = &wait_stage;
    submit.commandBufferCount = 2;
    submit.pCommandBuffers = buffers;
    submit.signalSemaphoreCount = 1;
    submit.pSignalSemaphores = &loop.render_finished[image_index];
    vk_check(vkQueueSubmit(renderer.queue, 1, &submit, fence));
    loop.submitted_image[f] = image_index;

    VkPresentInfoKHR present = {};
    present.sType = VK_STRUCTURE_TYPE_PRESENT_INFO_KHR;
    present.waitSemaphoreCount = 1;
    present.pWaitSemaphores = &loop.render_finished[image_index];
    present.swapchainCount = 1;
    present.pSwapchains = &renderer.swapchain;
    present.pImageIndices = &image_index;
    VkResult presented = vkQueuePresentKHR(renderer.queue, &present);
    loop.frame = (f + 1) % frames_in_flight;
    if (presented == VK_ERROR_OUT_OF_DATE_KHR || presented == VK_SUBOPTIMAL_KHR || acquired == VK_SUBOPTIMAL_KHR)
        rebuild();
    else
        vk_check(presented);
}

Screenshot capture_window() {
    std::string file = picture_dir + "/screen.png";
    run_command("import -window root '" + file + "' 2>&1");
    Screenshot shot;
    int width = 0, height = 0, channels = 0;
    u8* pixels = stbi_load(file.c_str(), &width, &height, &channels, 3);
    if (pixels == nullptr) return shot;
    int x0 = 0, y0 = 0, w = 0, h = 0;
    glfwGetWindowPos(renderer.window, &x0, &y0);
    glfwGetWindowSize(renderer.window, &w, &h);
    if (x0 < 0 || y0 < 0 || x0 + w > width || y0 + h > height) {
        stbi_image_free(pixels);
        return shot;
    }
    shot.width = w;
    shot.height = h;
    shot.rgb.resize((size_t)w * h * 3);
    for (int y = 0; y < h; y++) memcpy(&shot.rgb[(size_t)y * w * 3], &pixels[3 * ((size_t)(y0 + y) * width + x0)], (size_t)w * 3);
    stbi_image_free(pixels);
    return shot;
}

bool near(Rgb a, Rgb b, int tolerance) {
    return abs(a.r - b.r) <= tolerance && abs(a.g - b.g) <= tolerance && abs(a.b - b.b) <= tolerance;
}

double seconds_now() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

std::string run_command(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}
