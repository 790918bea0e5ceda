// Texture files and the checks that stop the renderer before it touches the GPU.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include "image.h"
#include "mesh.h"
#include "panic_expect.h"

namespace {

TEST(TextureFileLoad, GreyAndRgbFilesArriveAsRgba) {
    const char* grey_path = "render_test_grey.png";
    const char* rgb_path = "render_test_rgb.png";
    u8 grey[6] = {77, 78, 79, 80, 81, 82};
    u8 rgb[6 * 3];
    for (u32 i = 0; i < sizeof(rgb); i++) rgb[i] = (u8)(i + 1);
    ASSERT_TRUE(stbi_write_png(grey_path, 3, 2, 1, grey, 3));
    ASSERT_TRUE(stbi_write_png(rgb_path, 3, 2, 3, rgb, 9));

    Image image = {};
    image_load(&image, grey_path);
    EXPECT_TRUE(image.loaded);
    EXPECT_FALSE(image.uploaded);
    EXPECT_EQ(image.layout, VK_IMAGE_LAYOUT_PREINITIALIZED);
    ASSERT_EQ(image.width, 3u);
    ASSERT_EQ(image.height, 2u);
    EXPECT_EQ(image_byte_size(&image), 24u);
    for (u32 p = 0; p < 6; p++) {
        u8* px = &image.pixels[4 * p];
        EXPECT_EQ(px[0], grey[p]);
        EXPECT_EQ(px[1], grey[p]);
        EXPECT_EQ(px[2], grey[p]);
        EXPECT_EQ(px[3], 255);
    }
    image_destroy(&image);
    EXPECT_FALSE(image.loaded);

    image_load(&image, rgb_path);
    for (u32 p = 0; p < 6; p++) {
        u8* px = &image.pixels[4 * p];
        EXPECT_EQ(px[0], rgb[3 * p]);
        EXPECT_EQ(px[1], rgb[3 * p + 1]);
        EXPECT_EQ(px[2], rgb[3 * p + 2]);
        EXPECT_EQ(px[3], 255);
    }
    image_destroy(&image);
    remove(grey_path);
    remove(rgb_path);
}

TEST(TextureFileLoadDeathTest, MissingOrBrokenFile) {
    EXPECT_PANIC({ Image image = {}; image_load(&image, "textures/no_such_texture.png"); },
                 "Could not load image textures/no_such_texture.png");
    const char* path = "render_test_broken.png";
    FILE* file = fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    fwrite("\x89PNG\r\n\x1a\n garbage", 1, 16, file);
    fclose(file);
    EXPECT_PANIC({ Image image = {}; image_load(&image, path); }, "Could not load image render_test_broken.png");
    remove(path);
}

// These checks come before any Vulkan call, so they hold without a device.
TEST(RendererChecksDeathTest, RefusedBeforeAnyGpuWork) {
    EXPECT_PANIC(change_image_layout(VK_NULL_HANDLE, VK_NULL_HANDLE, VK_NULL_HANDLE, VK_FORMAT_R8G8B8A8_UNORM,
                                     VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1),
                 "Layout transition not supported (I do not unserstand any of this.)");
    VkBuffer buffer;
    VkDeviceMemory memory;
    EXPECT_PANIC(create_buffer(0, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, &buffer, 0, &memory),
                 "Cannot create buffer of size 0");
    // A mesh without faces cannot be uploaded.
    EXPECT_PANIC({ Mesh mesh; parse_obj(&mesh, "v 1 2 3\n", 8, "empty.obj"); upload_mesh(&mesh); },
                 "Cannot create buffer of size 0");
    EXPECT_PANIC({ Image image = {}; upload_texture_image(&image, VK_NULL_HANDLE, VK_NULL_HANDLE); },
                 "Image not yet loaded");
    EXPECT_PANIC({ Image image = {}; upload_ui_image(&image, VK_NULL_HANDLE, VK_NULL_HANDLE); },
                 "Image not yet loaded");
    EXPECT_PANIC({ Depth_Image depth = {}; depth.uploaded = true; depth_image_upload_to_gpu(&depth, VK_NULL_HANDLE, VK_NULL_HANDLE, 1, 1); },
                 "Depth image was already uploaded.");
}

TEST(RendererChecksDeathTest, VulkanErrorReport) {
    // Positive codes are failures too; the report carries the code and its name.
    EXPECT_PANIC(vk_check(VK_INCOMPLETE), "[Vulkan Error]\033[0m code \033[36m5\033[0m: \033[31mVK_INCOMPLETE");
    EXPECT_PANIC(vk_check(VK_ERROR_DEVICE_LOST), "code \033[36m-4\033[0m: \033[31mVK_ERROR_DEVICE_LOST");
}

}  // namespace
