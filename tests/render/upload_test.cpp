// Textures, materials and meshes on the GPU: mip chains read back level by level, the overlay's
// single-level upload, the device's size limit, and mesh buffers.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <string>
#include <vector>

#include "image.h"
#include "mesh.h"
#include "panic_expect.h"
#include "vkinter.h"

namespace {

// Host-side copy of one mip level of an uploaded RGBA texture.
std::vector<u8> read_texture_level(VkImage image, u32 level, u32 width, u32 height) {
    // Not a command the game uses, so it is not in the entry-point table.
    auto copy_image_to_buffer =
        (PFN_vkCmdCopyImageToBuffer)vkGetDeviceProcAddr(renderer.device, "vkCmdCopyImageToBuffer");
    VkDeviceSize size = (VkDeviceSize)width * height * 4;
    VkBuffer buffer;
    VkDeviceMemory memory;
    create_buffer(size, VK_BUFFER_USAGE_TRANSFER_DST_BIT, &buffer,
                  VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, &memory);

    VkCommandBuffer cb = begin_one_shot_commands(renderer.command_pool);
    VkImageMemoryBarrier barrier = {};
    barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
    barrier.srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT;
    barrier.dstAccessMask = VK_ACCESS_TRANSFER_READ_BIT;
    barrier.oldLayout = VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL;
    barrier.newLayout = VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL;
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, level, 1, 0, 1};
    vkCmdPipelineBarrier(cb, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT, 0, 0, nullptr, 0,
                         nullptr, 1, &barrier);
    VkBufferImageCopy region = {};
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, level, 0, 1};
    region.imageExtent = {width, height, 1};
    copy_image_to_buffer(cb, image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, buffer, 1, &region);
    barrier.srcAccessMask = VK_ACCESS_TRANSFER_READ_BIT;
    barrier.dstAccessMask = VK_ACCESS_SHADER_READ_BIT;
    barrier.oldLayout = VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL;
    barrier.newLayout = VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL;
    vkCmdPipelineBarrier(cb, VK_PIPELINE_STAGE_TRANSFER_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0, 0, nullptr, 0,
                         nullptr, 1, &barrier);
    end_one_shot_commands(renderer.command_pool, renderer.queue, cb);

    std::vector<u8> pixels(size);
    void* mapped;
    vk_check(vkMapMemory(renderer.device, memory, 0, size, 0, &mapped));
    memcpy(pixels.data(), mapped, size);
    vkUnmapMemory(renderer.device, memory);
    vkDestroyBuffer(renderer.device, buffer, nullptr);
    vkFreeMemory(renderer.device, memory, nullptr);
    return pixels;
}

std::string write_png(const std::string& name, u32 width, u32 height, const std::vector<u8>& rgba) {
    EXPECT_TRUE(stbi_write_png(name.c_str(), (int)width, (int)height, 4, rgba.data(), (int)width * 4));
    return name;
}

std::vector<u8> solid(u32 width, u32 height, u8 r, u8 g, u8 b) {
    std::vector<u8> pixels((size_t)width * height * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = r;
        pixels[i + 1] = g;
        pixels[i + 2] = b;
        pixels[i + 3] = 255;
    }
    return pixels;
}

void expect_pixel(const std::vector<u8>& pixels, u32 index, u8 r, u8 g, u8 b, u8 a, int tolerance) {
    EXPECT_NEAR(pixels[4 * index], r, tolerance) << "pixel " << index;
    EXPECT_NEAR(pixels[4 * index + 1], g, tolerance) << "pixel " << index;
    EXPECT_NEAR(pixels[4 * index + 2], b, tolerance) << "pixel " << index;
    EXPECT_NEAR(pixels[4 * index + 3], a, tolerance) << "pixel " << index;
}

TEST(TextureUpload, SmallLevelsBlendHalfRedHalfBlue) {
    const u32 w = 64, h = 32;
    std::vector<u8> pixels = solid(w, h, 255, 0, 0);
    for (u32 y = 0; y < h; y++)
        for (u32 x = w / 2; x < w; x++) {
            pixels[4 * (y * w + x)] = 0;
            pixels[4 * (y * w + x) + 2] = 255;
        }
    Image image = {};
    image_load(&image, write_png("render_test_red_blue.png", w, h, pixels).c_str());
    upload_texture_image(&image, renderer.command_pool, renderer.queue);
    EXPECT_TRUE(image.uploaded);
    EXPECT_EQ(image.layout, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    ASSERT_EQ(mip_levels, 7u);

    // Level 5 is 2 x 1: each half kept its own colour; level 6 is the even blend.
    std::vector<u8> two = read_texture_level(image.image, 5, 2, 1);
    expect_pixel(two, 0, 255, 0, 0, 255, 0);
    expect_pixel(two, 1, 0, 0, 255, 255, 0);
    std::vector<u8> one = read_texture_level(image.image, 6, 1, 1);
    expect_pixel(one, 0, 128, 0, 128, 255, 1);
    // Level 0 holds the file's pixels.
    std::vector<u8> full = read_texture_level(image.image, 0, w, h);
    EXPECT_EQ(full, pixels);

    // A second upload does nothing.
    VkImage first = image.image;
    VkSampler sampler = image.sampler;
    upload_texture_image(&image, renderer.command_pool, renderer.queue);
    EXPECT_EQ(image.image, first);
    EXPECT_EQ(image.sampler, sampler);
    image_destroy(&image);
    EXPECT_FALSE(image.uploaded);
    remove("render_test_red_blue.png");
}

TEST(TextureUpload, MipChainsReachOnePixel) {
    const u32 sizes[][3] = {{1, 1, 1}, {1024, 512, 11}, {1000, 600, 10}, {3, 700, 10}};
    for (const auto& size : sizes) {
        std::string name = "render_test_" + std::to_string(size[0]) + "x" + std::to_string(size[1]) + ".png";
        Image image = {};
        image_load(&image, write_png(name, size[0], size[1], solid(size[0], size[1], 10, 200, 30)).c_str());
        upload_texture_image(&image, renderer.command_pool, renderer.queue);
        EXPECT_EQ(mip_levels, size[2]) << name;
        std::vector<u8> last = read_texture_level(image.image, mip_levels - 1, 1, 1);
        expect_pixel(last, 0, 10, 200, 30, 255, 0);
        image_destroy(&image);
        remove(name.c_str());
    }
}

TEST(TextureUpload, OverlayPictureHasOneLevel) {
    std::vector<u8> pixels = solid(5, 3, 1, 2, 3);
    pixels[4 * 7] = 250;
    Image image = {};
    image_load(&image, write_png("render_test_ui.png", 5, 3, pixels).c_str());
    mip_levels = 99;
    upload_ui_image(&image, renderer.command_pool, renderer.queue);
    EXPECT_EQ(mip_levels, 99u);
    EXPECT_EQ(image.layout, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    EXPECT_EQ(read_texture_level(image.image, 0, 5, 3), pixels);
    image_destroy(&image);
    remove("render_test_ui.png");
}

TEST(TextureUpload, MaterialsLoadBothImagesAndUploadLater) {
    write_png("render_test_albedo.png", 4, 4, solid(4, 4, 200, 100, 50));
    write_png("render_test_normal.png", 2, 2, solid(2, 2, 128, 128, 255));
    Material* material = create_material("render_test_albedo.png", "render_test_normal.png");
    EXPECT_TRUE(material->albedo.loaded);
    EXPECT_TRUE(material->normal_map.loaded);
    EXPECT_FALSE(material->albedo.uploaded);
    EXPECT_EQ(material->descriptor_set, VK_NULL_HANDLE);
    upload_texture_image(&material->albedo, renderer.command_pool, renderer.queue);
    upload_texture_image(&material->normal_map, renderer.command_pool, renderer.queue);
    EXPECT_EQ(mip_levels, 2u);
    image_destroy(&material->albedo);
    image_destroy(&material->normal_map);
    remove("render_test_albedo.png");
    remove("render_test_normal.png");
}

TEST(TextureUploadDeathTest, LargerThanTheDeviceAllows) {
    GTEST_FLAG_SET(death_test_style, "fast");
    u32 limit = renderer.device_properties.limits.maxImageDimension2D;
    ASSERT_GT(limit, 0u);
    write_png("render_test_wide.png", limit + 1, 1, solid(limit + 1, 1, 0, 0, 0));
    EXPECT_PANIC({ Image image = {}; image_load(&image, "render_test_wide.png"); },
                 "Image render_test_wide.png is " + std::to_string(limit + 1) + "x1 pixels, larger than the device allows");
    remove("render_test_wide.png");
}

TEST(MeshUpload, BuffersAreMadeOnce) {
    const char* path = "render_test_tri.obj";
    FILE* file = fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    fputs("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n", file);
    fclose(file);
    Mesh* mesh = load_obj(path);
    remove(path);
    upload_mesh(mesh);
    EXPECT_NE(mesh->vertex_buffer, VK_NULL_HANDLE);
    EXPECT_NE(mesh->index_buffer, VK_NULL_HANDLE);
    VkBuffer vertex_buffer = mesh->vertex_buffer, index_buffer = mesh->index_buffer;
    upload_mesh(mesh);
    EXPECT_EQ(mesh->vertex_buffer, vertex_buffer);
    EXPECT_EQ(mesh->index_buffer, index_buffer);
}

}  // namespace
