// Renderer bring-up on a real window: the device settings, a cleared frame on screen, and swapchain
// re-creation through twenty window resizes.
#include <gtest/gtest.h>

#include "image.h"
#include "in_process.h"
#include "vkinter.h"

namespace {

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Renderer_Environment);

// The clear colour as the UNORM swapchain stores it.
glm::ivec3 stored(glm::vec3 color) { return glm::ivec3(color * 255.0f + 0.5f); }

bool same_color(glm::ivec3 a, glm::ivec3 b) { return glm::all(glm::lessThanEqual(glm::abs(a - b), glm::ivec3(1))); }

void show_clear_color(glm::vec3 color) {
    vkDeviceWaitIdle(renderer.device);
    renderer.clear_color = color;
    record_command_buffers();
}

// The window has the given size on screen, is filled with the colour, and the colour ends at its edges.
void expect_window_shows(glm::vec3 color, u32 width, u32 height) {
    Window_Geometry window = find_game_window();
    ASSERT_EQ(window.size, glm::dvec2(width, height));
    Screenshot shot = settled([] {
        draw_frames(2);
        return capture_screen();
    });
    ASSERT_GT(shot.width, 0u) << "no screenshot";
    glm::ivec3 want = stored(color);
    glm::dvec2 last = window.origin + window.size - 1.0, middle = window.origin + window.size * 0.5;
    for (glm::dvec2 at : {window.origin, middle, last}) {
        glm::ivec3 got = shot.at(at);
        EXPECT_TRUE(same_color(got, want)) << "at " << at.x << "," << at.y << ": " << got.r << "," << got.g << "," << got.b;
    }
    if (last.x + 10 < shot.width) {
        EXPECT_FALSE(same_color(shot.at({last.x + 10, middle.y}), want)) << "right of the window";
    }
    if (last.y + 10 < shot.height) {
        EXPECT_FALSE(same_color(shot.at({middle.x, last.y + 10}), want)) << "below the window";
    }
}

TEST(BringUp, DeviceSettingsOnLavapipe) {
    EXPECT_EQ(renderer.device_properties.deviceType, VK_PHYSICAL_DEVICE_TYPE_CPU);
    EXPECT_EQ(renderer.msaa_samples, VK_SAMPLE_COUNT_4_BIT);
    EXPECT_EQ(renderer.depth_format, VK_FORMAT_D32_SFLOAT_S8_UINT);
    EXPECT_EQ(renderer.queue_family, 0u);
    EXPECT_EQ(renderer.present_mode, VK_PRESENT_MODE_FIFO_KHR);
    EXPECT_EQ(renderer.surface_format, VK_FORMAT_B8G8R8A8_UNORM);
    EXPECT_EQ(renderer.surface_color_space, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR);
    EXPECT_GE(renderer.image_count, renderer.surface_capabilities.minImageCount);
    EXPECT_EQ(renderer.window_width, 1600u);
    EXPECT_EQ(renderer.window_height, 900u);
    EXPECT_NE(renderer.queue, VK_NULL_HANDLE);
    EXPECT_TRUE(renderer.depth_image->uploaded);
    printf("lavapipe: %u swapchain images, anisotropy %s, maxImageDimension2D %u\n", renderer.image_count,
           renderer.device_features.samplerAnisotropy ? "on" : "off",
           renderer.device_properties.limits.maxImageDimension2D);
}

TEST(BringUp, ClearedFrameShowsInTheWindow) {
    glm::vec3 color = {0.2f, 0.6f, 0.4f};
    show_clear_color(color);
    expect_window_shows(color, 1600, 900);
}

TEST(BringUp, TwentyResizesRecreateTheSwapchain) {
    glm::vec3 color = {0.8f, 0.3f, 0.1f};
    show_clear_color(color);
    draw_frames(2);
    std::string id = find_game_window().id;
    const u32 sizes[20][2] = {{1200, 700}, {640, 480}, {1900, 1050}, {300, 200}, {1601, 901}, {800, 800},
                              {1024, 768}, {64, 48},   {1280, 720},  {1000, 1}, {1, 600},  {1599, 899},
                              {1700, 400}, {500, 1000}, {1366, 768}, {333, 777}, {1920, 1080}, {960, 540},
                              {1440, 810}, {1250, 650}};
    u32 first = swapchain_recreations;
    for (const auto& size : sizes) {
        u32 before = swapchain_recreations;
        shell("xdotool windowsize " + id + " " + std::to_string(size[0]) + " " + std::to_string(size[1]));
        bool resized = draw_until([&] {
            return swapchain_recreations > before && renderer.window_width == size[0] && renderer.window_height == size[1];
        });
        ASSERT_TRUE(resized) << "no re-creation at " << size[0] << "x" << size[1] << ", extent "
                             << renderer.window_width << "x" << renderer.window_height;
        draw_frames(1);
    }
    EXPECT_GE(swapchain_recreations - first, 20u);
    // The last size is on screen in the clear colour, and nothing of it beyond.
    expect_window_shows(color, 1250, 650);
}

}  // namespace
