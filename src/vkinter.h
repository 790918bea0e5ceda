// vkinter: the renderer's Vulkan core and its top: result check, instance, device choice and settings,
// logical device, swapchain with its targets, render pass and framebuffers, the buffer and image
// primitives every other renderer module builds on, the start-up of the whole renderer, the recording
// of the scene command buffers and the frame's submission and presentation.
#pragma once

#include <glm/glm.hpp>

#include "vek/memory.h"
#include "vek/panic.h"
#include "vkloads.h"

struct GLFWwindow;
struct Depth_Image;
struct Pipeline;

// The uniform blocks as the shaders declare them: column-major 4 x 4 matrices, nothing padded.
struct Scene_Uniforms {
    glm::mat4 view;             // camera
    glm::mat4 projection;       // camera
    glm::mat4 light_space;      // the light's projection x view
    glm::vec3 light_position;   // world position of the light camera's eye
};
static_assert(sizeof(Scene_Uniforms) == 204, "the scene block is 204 bytes");

struct Light_Uniforms {
    glm::mat4 light_space;
};

// One slot per drawn object; slot k belongs to the k-th live item of `render_object_pool`.
struct Object_Uniforms {
    glm::mat4 model;
};

const u32 object_uniform_slot_count = 1000;
const u32 shadow_map_size = 4096;

struct Renderer_Globals {
    GLFWwindow* window;   // set by the start-up code before the renderer starts

    // Instance, device choice and the settings that follow from the device.
    VkInstance instance;
    VkSurfaceKHR surface;
    VkPhysicalDevice physical_device;
    VkPhysicalDeviceProperties device_properties;   // of `physical_device`
    VkPhysicalDeviceFeatures device_features;       // what `device` was created with
    VkSurfaceCapabilitiesKHR surface_capabilities;
    u32 image_count;
    VkSampleCountFlagBits msaa_samples = VK_SAMPLE_COUNT_1_BIT;
    VkFormat depth_format;
    u32 queue_family = 0xFFFFFFFF;
    VkPresentModeKHR present_mode;
    VkFormat surface_format;
    VkColorSpaceKHR surface_color_space;
    VkDevice device;
    VkQueue queue;

    // Everything whose size or number follows the window. The window extent is that of the swapchain
    // and of everything recorded for it: only swapchain creation writes it.
    u32 window_width = 1600;
    u32 window_height = 900;
    // The size of the window's last resize, wanted for the next swapchain.
    u32 resized_width = 1600;
    u32 resized_height = 900;
    bool window_resized;   // the window changed size; the next frame re-creates the swapchain
    VkSwapchainKHR swapchain;
    VkImageView* swapchain_image_views;
    VkImage color_image;
    VkDeviceMemory color_image_memory;
    VkImageView color_image_view;
    Depth_Image* depth_image;
    VkRenderPass main_render_pass;
    VkFramebuffer* swapchain_framebuffers;

    // Commands. One-shot uploads and the scene command buffers come from `command_pool`.
    VkCommandPool command_pool;
    VkCommandBuffer* scene_command_buffers;   // one per swapchain image
    glm::vec3 clear_color;                    // background of the main pass

    // Shader modules and the main pipeline, whose layout every pass and bind uses.
    VkShaderModule main_vertex_module;
    VkShaderModule main_fragment_module;
    VkShaderModule shadow_vertex_module;
    Pipeline* main_pipeline;

    // Shadow map: made once, kept across swapchain re-creations.
    VkExtent2D shadow_extent;
    VkImage shadow_image;
    VkDeviceMemory shadow_image_memory;
    VkImageView shadow_image_view;
    VkSampler shadow_sampler;
    VkRenderPass shadow_render_pass;
    VkFramebuffer shadow_framebuffer;
    VkPipeline shadow_pipeline;

    // Shader interface: layouts of sets 0 to 3, the pool and the sets made at start-up.
    VkDescriptorSetLayout set_layouts[4];
    VkDescriptorPool descriptor_pool;
    VkDescriptorSet shadow_descriptor_set;   // set 0 of the shadow pass: the light block
    VkDescriptorSet scene_descriptor_set;    // set 0 of the main pass: scene block and shadow map
    VkDescriptorSet empty_descriptor_set;    // set 1
    VkDescriptorSet object_descriptor_set;   // set 3: one object slot at a dynamic offset

    // Uniform buffers (host visible) and their host copies, which the game's update fills every frame
    // and copies in. draw_frame returns only once the GPU has finished reading them.
    VkBuffer light_uniform_buffer;
    VkDeviceMemory light_uniform_memory;
    VkBuffer scene_uniform_buffer;
    VkDeviceMemory scene_uniform_memory;
    VkBuffer object_uniform_buffer;
    VkDeviceMemory object_uniform_memory;
    u64 object_uniform_stride;   // bytes from one object slot to the next
    u64 object_uniform_size;     // stride x object_uniform_slot_count
    u8* object_uniforms_host;
    Scene_Uniforms scene_uniforms;
    Light_Uniforms light_uniforms;

    // Frame synchronisation: one frame in flight, so one acquire semaphore; its fence is the overlay
    // fence of the image drawn. One render-finished semaphore per swapchain image.
    VkSemaphore image_available_semaphore;
    VkSemaphore* render_finished_semaphores;
    u32 render_finished_count;
};

extern Renderer_Globals renderer;

// ---------------------------------------------------------------------------------------------------
// Result check and diagnostics

// Any result but VK_SUCCESS (positive ones included) ends the program with the Vulkan error report.
void vk_check_result(VkResult result, const char* file, u32 line, const char* function);
#define vk_check(result) vk_check_result((result), VEK_FILE, __LINE__, __func__)

// The enumerator's name, or "unknown error".
const char* vk_result_to_string(VkResult code);

// Developer dumps of what the machine's Vulkan offers (not called by the game).
void print_instance_layers(const VkLayerProperties* layers, u32 count);
void print_instance_extensions(const VkExtensionProperties* extensions, u32 count);
void print_physical_devices(const VkPhysicalDevice* devices, u32 count);

// ---------------------------------------------------------------------------------------------------
// Instance, device choice, logical device

void create_instance();
void discover_hardware();
void create_device();

VkFormat find_supported_format(const Array_List<VkFormat>* candidates, VkImageTiling tiling,
                               VkFormatFeatureFlags features);
u32 find_memory_type_index(u32 type_bits, VkMemoryPropertyFlags properties);
bool format_supports_features(VkPhysicalDevice physical_device, VkFormat format, VkImageTiling tiling,
                              VkFormatFeatureFlags features);
bool has_stencil_component(VkFormat format);

// The choice rules, apart from the queries that feed them.
struct Device_Candidate {
    VkPhysicalDeviceType type;
    u32 queue_family;   // first family with graphics and compute; 0xFFFFFFFF when there is none
    bool can_present;   // that family can present to the surface
};
// The first discrete GPU that can present, else the first device that can; -1 when none can.
s64 choose_device_index(const Device_Candidate* candidates, u32 count);
// First family whose flags hold graphics and compute, or 0xFFFFFFFF.
u32 find_queue_family_index(const VkQueueFamilyProperties* families, u32 count);
// 8, 4 or 2 samples when both colour and depth offer it, else 1.
VkSampleCountFlagBits choose_msaa_samples(VkSampleCountFlags counts);
// B8G8R8A8_UNORM with sRGB non-linear colour space when offered, else the first entry (count > 0).
VkSurfaceFormatKHR choose_surface_format(const VkSurfaceFormatKHR* formats, u32 count);
// The surface's current extent; where the surface leaves it to the swapchain, the wanted size
// clamped to the surface's limits.
VkExtent2D choose_swapchain_extent(const VkSurfaceCapabilitiesKHR* capabilities, u32 width, u32 height);

// ---------------------------------------------------------------------------------------------------
// Swapchain, main render pass, framebuffers

void create_swapchain();
void create_image_views();
void create_render_pass();
void create_color_resources();
void create_depth_resources();
void create_framebuffer();
void cleanup_swapchain(VkSwapchainKHR old);
void recreate_swapchain();
// Records the new size only; the frame loop re-creates the swapchain outside the window's callbacks.
void window_size_callback(GLFWwindow* window, int width, int height);
// Destroys what the renderer made, the device, surface and instance last. The GPU must be idle.
void deinit_renderer();

// ---------------------------------------------------------------------------------------------------
// Commands

// Every Vulkan object the renderer owns, in its one start-up order; records nothing.
void init_renderer();
void create_command_pool();
void create_command_buffers();
// The acquire semaphore and the render-finished semaphores of the current swapchain images.
void create_semaphores();
// Both passes over every live render object into every scene command buffer. No scene command buffer
// may be pending on the GPU.
void record_command_buffers();
// Binds and draws of every live render object, in pool order, into an open render pass.
void draw_objects(VkCommandBuffer command_buffer);
// One frame: interface frame, acquire, submission of the image's scene and overlay buffers, present.
// A window resize or an out-of-date swapchain re-creates the swapchain and rebuilds the overlay.
void draw_frame(f32 dt);

// A primary command buffer from `pool`, begun for one submission.
VkCommandBuffer begin_one_shot_commands(VkCommandPool pool);
// Ends, submits alone, waits for the queue to be idle and frees the buffer.
void end_one_shot_commands(VkCommandPool pool, VkQueue queue, VkCommandBuffer command_buffer);

// ---------------------------------------------------------------------------------------------------
// Buffers and images

void create_buffer(VkDeviceSize size, VkBufferUsageFlags usage, VkBuffer* buffer,
                   VkMemoryPropertyFlags properties, VkDeviceMemory* memory);
// A host-visible transfer source holding a copy of `size` bytes of `data`.
void create_staging_buffer(const void* data, VkDeviceSize size, VkBuffer* buffer, VkDeviceMemory* memory);
void create_and_upload_buffer(const void* data, u32 size, VkBufferUsageFlags usage, VkBuffer* buffer,
                              VkDeviceMemory* memory);
void copy_buffer(VkBuffer source, VkBuffer destination, VkDeviceSize size);
void create_image(u32 width, u32 height, VkFormat format, VkImageTiling tiling, VkImageUsageFlags usage,
                  VkMemoryPropertyFlags properties, VkSampleCountFlagBits samples, u32 mip_levels,
                  VkImage* image, VkDeviceMemory* memory);
void create_image_view(VkImage image, VkFormat format, VkImageAspectFlags aspect, VkImageView* view,
                       u32 mip_levels);
void change_image_layout(VkCommandPool pool, VkQueue queue, VkImage image, VkFormat format,
                         VkImageLayout old_layout, VkImageLayout new_layout, u32 mip_levels);
