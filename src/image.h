// image: textures (decoded RGBA pixels and their sampled GPU image with mip chain), materials and the
// depth attachment of the main pass.
#pragma once

#include "vkinter.h"

struct Image {
    u32 width;
    u32 height;
    bool loaded;     // the pixels are in memory
    bool uploaded;   // the GPU objects exist
    u8* pixels;      // 4 bytes per pixel, R G B A
    VkImage image;
    VkDeviceMemory memory;
    VkImageLayout layout;   // where the upload last moved the image
    VkImageView view;       // over all mip levels
    VkSampler sampler;
};

struct Material {
    Image albedo;
    Image normal_map;
    VkDescriptorSet descriptor_set;   // made by the scene loader once both images are on the GPU
};

struct Depth_Image {
    bool uploaded;
    VkImage image;
    VkDeviceMemory memory;
    VkImageView view;
};

extern Bucket_Array<Material> material_pool;
// Mip count of the texture being uploaded.
extern u32 mip_levels;

// floor(log2(max(width, height))) + 1.
u32 mip_level_count(u32 width, u32 height);

void image_write_buffer_to_vk_image(Image* image, VkCommandPool pool, VkQueue queue, VkBuffer source);
void generate_mipmaps(VkImage image, VkFormat format, s32 width, s32 height, u32 levels);
// Decodes any file stb_image reads into RGBA pixels; a missing or undecodable file is a panic.
void image_load(Image* image, const char* path);
// Scene textures: full mip chain, trilinear sampler.
void upload_texture_image(Image* image, VkCommandPool pool, VkQueue queue);
// Overlay pictures: one level.
void upload_ui_image(Image* image, VkCommandPool pool, VkQueue queue);
void depth_image_upload_to_gpu(Depth_Image* depth, VkCommandPool pool, VkQueue queue, u32 width, u32 height);
// Loads both images; uploading them is left to the first scene that uses the material.
Material* create_material(const char* albedo_path, const char* normal_map_path);
void image_destroy(Image* image);
// Destroys the GPU objects if any and releases the record.
void depth_image_destroy(Depth_Image* depth);

Image* image_alloc();
Depth_Image* depth_image_alloc();
u64 image_byte_size(const Image* image);
void image_transition_layout(Image* image, VkCommandPool pool, VkQueue queue, VkImageLayout new_layout, u32 levels);
VkFormat find_depth_format();
