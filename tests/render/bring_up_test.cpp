// Renderer bring-up on a real window: the device settings, a cleared frame on screen, and swapchain
// re-creation through twenty window resizes.
#include <gtest/gtest.h>

#include "gpu_harness.h"
#include "image.h"

namespace {

void expect_color(const Screenshot& shot, s32 x, s32 y, Screen_Pixel want, const char* where) {
    ASSERT_TRUE(x >= 0 && y >= 0 && (u32)x < shot.width && (u32)y < shot.height) << where;
    Screen_Pixel got = shot.at((u32)x, (u32)y);
    EXPECT_NEAR(got.r, want.r, 1) << where << " at " << x << "," << y;
    EXPECT_NEAR(got.g, want.g, 1) << where << " at " << x << "," << y;
    EXPECT_NEAR(got.b, want.b, 1) << where << " at " << x << "," << y;
}

bool same_color(Screen_Pixel a, Screen_Pixel b) {
    return abs(a.r - b.r) <= 1 && abs(a.g - b.g) <= 1 && abs(a.b - b.b) <= 1;
}

// The clear colour as the UNORM swapchain stores it.
Screen_Pixel stored(glm::vec3 color) {
    return {(u8)(color.r * 255.0f + 0.5f), (u8)(color.g * 255.0f + 0.5f), (u8)(color.b * 255.0f + 0.5f)};
}

void set_clear_color(glm::vec3 color) {
    vkDeviceWaitIdle(renderer.device);
    renderer.clear_color = color;
    record_command_buffers();
}

// The window has the given size on screen, is filled with the colour, and the colour ends at its edges.
void expect_window_shows(glm::vec3 color, u32 width, u32 height) {
    Window_Geometry window = window_geometry();
    ASSERT_EQ(window.width, width);
    ASSERT_EQ(window.height, height);
    Screenshot shot = take_screenshot();
    ASSERT_GT(shot.width, 0u) << "no screenshot";
    Screen_Pixel want = stored(color);
    s32 right = window.x + (s32)width - 1, bottom = window.y + (s32)height - 1;
    expect_color(shot, window.x, window.y, want, "top left");
    expect_color(shot, window.x + (s32)width / 2, window.y + (s32)height / 2, want, "centre");
    expect_color(shot, right, bottom, want, "bottom right");
    if ((u32)right + 10 < shot.width) {
        EXPECT_FALSE(same_color(shot.at(right + 10, window.y + height / 2), want)) << "right of the window";
    }
    if ((u32)bottom + 10 < shot.height) {
        EXPECT_FALSE(same_color(shot.at(window.x + width / 2, bottom + 10), want)) << "below the window";
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
    set_clear_color(color);
    double start = seconds_now();
    u32 frames = 0;
    present_until([&] { return ++frames == 60; }, 60.0);
    double elapsed = seconds_now() - start;
    printf("clear-only %ux%u frames: %.1f fps\n", renderer.window_width, renderer.window_height, frames / elapsed);

    expect_window_shows(color, 1600, 900);
}

TEST(BringUp, TwentyResizesRecreateTheSwapchain) {
    glm::vec3 color = {0.8f, 0.3f, 0.1f};
    set_clear_color(color);
    present_until([] { return false; }, 0.2);
    std::string id = run_command("xdotool search --name '^morvu$'");
    id = id.substr(0, id.find('\n'));

    const u32 sizes[20][2] = {{1200, 700}, {640, 480}, {1900, 1050}, {300, 200}, {1601, 901}, {800, 800},
                              {1024, 768}, {64, 48},   {1280, 720},  {1000, 1}, {1, 600},  {1599, 899},
                              {1700, 400}, {500, 1000}, {1366, 768}, {333, 777}, {1920, 1080}, {960, 540},
                              {1440, 810}, {1250, 650}};
    double recreate_time = 0;
    for (const auto& size : sizes) {
        u32 before = swapchain_recreations;
        double start = seconds_now();
        run_command("xdotool windowsize " + id + " " + std::to_string(size[0]) + " " + std::to_string(size[1]));
        bool resized = present_until(
            [&] {
                return swapchain_recreations > before && renderer.window_width == size[0] &&
                       renderer.window_height == size[1];
            },
            20.0);
        recreate_time += seconds_now() - start;
        ASSERT_TRUE(resized) << "no re-creation at " << size[0] << "x" << size[1] << ", extent "
                             << renderer.window_width << "x" << renderer.window_height;
        present_until([] { return false; }, 0.05);
    }
    printf("%u swapchain re-creations, %.1f ms per resize including frames\n", swapchain_recreations,
           recreate_time * 1000.0 / 20);
    EXPECT_GE(swapchain_recreations, 20u);

    // The last size is on screen in the clear colour, and nothing of it beyond.
    u32 frames = 0;
    present_until([&] { return ++frames == 10; }, 30.0);
    expect_window_shows(color, 1250, 650);
}

}  // namespace
