// image: textures, materials and the depth attachment (see image.h).
#include "image.h"

#include <math.h>
#include <stb_image.h>

Bucket_Array<Material> material_pool;
u32 mip_levels;

u32 mip_level_count(u32 width, u32 height) {
    return (u32)floor(log2((double)glm::max(width, height))) + 1;
}

// Device images are limited in size; `path` names the file when it is known.
static void check_image_size(u32 width, u32 height, const char* path) {
    u32 limit = renderer.device_properties.limits.maxImageDimension2D;
    if (limit == 0 || (width <= limit && height <= limit)) return;
    if (path)
        panic("Image %s is %ux%u pixels, larger than the device allows (%u)", path, width, height, limit);
    panic("Image of %ux%u pixels is larger than the device allows (%u)", width, height, limit);
}

void image_write_buffer_to_vk_image(Image* image, VkCommandPool pool, VkQueue queue, VkBuffer source) {
    VkCommandBuffer cb = begin_one_shot_commands(pool);
    VkBufferImageCopy region = {};
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.imageExtent = {image->width, image->height, 1};
    vkCmdCopyBufferToImage(cb, source, image->image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
    end_one_shot_commands(pool, queue, cb);
}

void generate_mipmaps(VkImage image, VkFormat format, s32 width, s32 height, u32 levels) {
    // Without linear blits the chain cannot be built, and the image would be left half in transfer
    // layouts: stop instead.
    const VkFormatFeatureFlags needed = VK_FORMAT_FEATURE_SAMPLED_IMAGE_FILTER_LINEAR_BIT |
                                        VK_FORMAT_FEATURE_BLIT_SRC_BIT | VK_FORMAT_FEATURE_BLIT_DST_BIT;
    if (!format_supports_features(renderer.physical_device, format, VK_IMAGE_TILING_OPTIMAL, needed))
        panic("texture image format does not support linear blitting!");

    VkCommandBuffer cb = begin_one_shot_commands(renderer.command_pool);
    // Moves one level between layouts, ordered after the given stage and access.
    auto level_barrier = [&](u32 level, VkImageLayout old_layout, VkImageLayout new_layout, VkAccessFlags src_access,
                             VkAccessFlags dst_access, VkPipelineStageFlags dst_stage) {
        VkImageMemoryBarrier barrier = {};
        barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
        barrier.srcAccessMask = src_access;
        barrier.dstAccessMask = dst_access;
        barrier.oldLayout = old_layout;
        barrier.newLayout = new_layout;
        barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
        barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
        barrier.image = image;
        barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, level, 1, 0, 1};
        vkCmdPipelineBarrier(cb, VK_PIPELINE_STAGE_TRANSFER_BIT, dst_stage, 0, 0, nullptr, 0, nullptr, 1, &barrier);
    };

    s32 w = width, h = height;
    for (u32 i = 1; i < levels; i++) {
        level_barrier(i - 1, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                      VK_ACCESS_TRANSFER_WRITE_BIT, VK_ACCESS_TRANSFER_READ_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT);
        VkImageBlit blit = {};
        blit.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, i - 1, 0, 1};
        blit.srcOffsets[1] = {w, h, 1};
        blit.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, i, 0, 1};
        blit.dstOffsets[1] = {w > 1 ? w / 2 : 1, h > 1 ? h / 2 : 1, 1};
        vkCmdBlitImage(cb, image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1,
                       &blit, VK_FILTER_LINEAR);
        level_barrier(i - 1, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL,
                      VK_ACCESS_TRANSFER_READ_BIT, VK_ACCESS_SHADER_READ_BIT, VK_PIPELINE_STAGE_FRAGMENT_SHADER_BIT);
        if (w > 1) w /= 2;
        if (h > 1) h /= 2;
    }
    level_barrier(levels - 1, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL,
                  VK_ACCESS_TRANSFER_WRITE_BIT, VK_ACCESS_SHADER_READ_BIT, VK_PIPELINE_STAGE_FRAGMENT_SHADER_BIT);
    end_one_shot_commands(renderer.command_pool, renderer.queue, cb);
}

void image_load(Image* image, const char* path) {
    image->layout = VK_IMAGE_LAYOUT_PREINITIALIZED;
    image->uploaded = false;
    int width = 0, height = 0, channels = 0;
    image->pixels = stbi_load(path, &width, &height, &channels, 4);
    if (image->pixels == nullptr) panic("Could not load image %s", path);
    image->width = (u32)width;
    image->height = (u32)height;
    check_image_size(image->width, image->height, path);
    image->loaded = true;
}

// The steps both uploads share: a device image of `levels` levels with the pixels in level 0, left in
// TRANSFER_DST_OPTIMAL.
static void upload_level_zero(Image* image, VkCommandPool pool, VkQueue queue, u32 levels) {
    check_image_size(image->width, image->height, nullptr);
    VkBuffer staging;
    VkDeviceMemory staging_memory;
    create_staging_buffer(image->pixels, image_byte_size(image), &staging, &staging_memory);

    create_image(image->width, image->height, VK_FORMAT_R8G8B8A8_UNORM, VK_IMAGE_TILING_OPTIMAL,
                 VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_SAMPLED_BIT,
                 VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, VK_SAMPLE_COUNT_1_BIT, levels, &image->image, &image->memory);
    image_transition_layout(image, pool, queue, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, levels);
    image_write_buffer_to_vk_image(image, pool, queue, staging);
    vkDestroyBuffer(renderer.device, staging, nullptr);
    vkFreeMemory(renderer.device, staging_memory, nullptr);
}

static void create_texture_sampler(Image* image, f32 max_lod) {
    VkSamplerCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO;
    info.magFilter = VK_FILTER_LINEAR;
    info.minFilter = VK_FILTER_LINEAR;
    info.mipmapMode = VK_SAMPLER_MIPMAP_MODE_LINEAR;
    info.addressModeU = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    info.addressModeV = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    info.addressModeW = VK_SAMPLER_ADDRESS_MODE_REPEAT;
    // Anisotropy only where the device was created with it.
    info.anisotropyEnable = renderer.device_features.samplerAnisotropy;
    info.maxAnisotropy = info.anisotropyEnable ? glm::min(16.0f, renderer.device_properties.limits.maxSamplerAnisotropy) : 1.0f;
    info.compareEnable = VK_FALSE;
    info.compareOp = VK_COMPARE_OP_ALWAYS;
    info.minLod = 0.0f;
    info.maxLod = max_lod;
    info.borderColor = VK_BORDER_COLOR_INT_OPAQUE_BLACK;
    info.unnormalizedCoordinates = VK_FALSE;
    vk_check(vkCreateSampler(renderer.device, &info, nullptr, &image->sampler));
}

void upload_texture_image(Image* image, VkCommandPool pool, VkQueue queue) {
    if (!image->loaded) panic("Image not yet loaded");
    if (image->uploaded) return;
    mip_levels = mip_level_count(image->width, image->height);
    upload_level_zero(image, pool, queue, mip_levels);
    generate_mipmaps(image->image, VK_FORMAT_R8G8B8A8_UNORM, (s32)image->width, (s32)image->height, mip_levels);
    image->layout = VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL;
    create_image_view(image->image, VK_FORMAT_R8G8B8A8_UNORM, VK_IMAGE_ASPECT_COLOR_BIT, &image->view, mip_levels);
    create_texture_sampler(image, (f32)mip_levels);
    image->uploaded = true;
}

void upload_ui_image(Image* image, VkCommandPool pool, VkQueue queue) {
    if (!image->loaded) panic("Image not yet loaded");
    if (image->uploaded) return;
    upload_level_zero(image, pool, queue, 1);
    image_transition_layout(image, pool, queue, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, 1);
    create_image_view(image->image, VK_FORMAT_R8G8B8A8_UNORM, VK_IMAGE_ASPECT_COLOR_BIT, &image->view, 1);
    create_texture_sampler(image, 0.0f);
    image->uploaded = true;
}

void depth_image_upload_to_gpu(Depth_Image* depth, VkCommandPool pool, VkQueue queue, u32 width, u32 height) {
    if (depth->uploaded) panic("Depth image was already uploaded.");
    create_image(width, height, renderer.depth_format, VK_IMAGE_TILING_OPTIMAL,
                 VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT,
                 renderer.msaa_samples, 1, &depth->image, &depth->memory);
    create_image_view(depth->image, renderer.depth_format, VK_IMAGE_ASPECT_DEPTH_BIT, &depth->view, 1);
    change_image_layout(pool, queue, depth->image, renderer.depth_format, VK_IMAGE_LAYOUT_UNDEFINED,
                        VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL, 1);
    depth->uploaded = true;
}

Material* create_material(const char* albedo_path, const char* normal_map_path) {
    Material* material = bucket_array_alloc(&material_pool);
    image_load(&material->albedo, albedo_path);
    image_load(&material->normal_map, normal_map_path);
    material->descriptor_set = VK_NULL_HANDLE;
    return material;
}

void image_destroy(Image* image) {
    stbi_image_free(image->pixels);
    image->pixels = nullptr;
    image->loaded = false;
    if (image->uploaded) {
        vkDestroySampler(renderer.device, image->sampler, nullptr);
        vkDestroyImageView(renderer.device, image->view, nullptr);
        vkDestroyImage(renderer.device, image->image, nullptr);
        vkFreeMemory(renderer.device, image->memory, nullptr);
        image->uploaded = false;
    }
}

void depth_image_destroy(Depth_Image* depth) {
    if (depth == nullptr) return;
    if (depth->uploaded) {
        vkDestroyImageView(renderer.device, depth->view, nullptr);
        vkDestroyImage(renderer.device, depth->image, nullptr);
        vkFreeMemory(renderer.device, depth->memory, nullptr);
    }
    free(depth);
}

Image* image_alloc() {
    Image* image = (Image*)calloc(1, sizeof(Image));
    image->loaded = false;
    image->uploaded = false;
    return image;
}

Depth_Image* depth_image_alloc() {
    Depth_Image* depth = (Depth_Image*)calloc(1, sizeof(Depth_Image));
    depth->uploaded = false;
    return depth;
}

u64 image_byte_size(const Image* image) {
    return (u64)image->width * (u64)image->height * 4;
}

void image_transition_layout(Image* image, VkCommandPool pool, VkQueue queue, VkImageLayout new_layout, u32 levels) {
    change_image_layout(pool, queue, image->image, VK_FORMAT_R8G8B8A8_UNORM, image->layout, new_layout, levels);
    image->layout = new_layout;
}

VkFormat find_depth_format() {
    Array_List<VkFormat> candidates;
    array_list_init(&candidates, 3);
    array_list_push(&candidates, VK_FORMAT_D32_SFLOAT_S8_UINT);
    array_list_push(&candidates, VK_FORMAT_D24_UNORM_S8_UINT);
    array_list_push(&candidates, VK_FORMAT_D32_SFLOAT);
    VkFormat format =
        find_supported_format(&candidates, VK_IMAGE_TILING_OPTIMAL, VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT);
    array_list_free(&candidates);
    return format;
}
