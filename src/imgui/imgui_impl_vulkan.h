// imgui_impl_vulkan: the GUI library's Vulkan renderer back-end, adapted for the overlay: every texture
// id is a descriptor set (the font atlas's and each registered picture's), each draw command binds its
// own, and every Vulkan call goes through the program's entry-point table (no function loader).
// Derived from Dear ImGui's Vulkan back-end (MIT licence, Omar Cornut and contributors).
#pragma once

#include <imgui.h>

#include "vkloads.h"

// Initialisation data for ImGui_ImplVulkan_Init; zero it before filling it in.
struct ImGui_ImplVulkan_InitInfo {
    VkInstance Instance;
    VkPhysicalDevice PhysicalDevice;
    VkDevice Device;
    uint32_t QueueFamily;
    VkQueue Queue;
    VkPipelineCache PipelineCache;
    VkDescriptorPool DescriptorPool;   // the texture sets come from here
    uint32_t Subpass;
    uint32_t MinImageCount;            // >= 2
    uint32_t ImageCount;               // >= MinImageCount; one ring entry of draw buffers per image
    VkSampleCountFlagBits MSAASamples; // >= VK_SAMPLE_COUNT_1_BIT
    const VkAllocationCallbacks* Allocator;
    void (*CheckVkResultFn)(VkResult err);
};

IMGUI_IMPL_API bool ImGui_ImplVulkan_Init(ImGui_ImplVulkan_InitInfo* info, VkRenderPass render_pass);
IMGUI_IMPL_API void ImGui_ImplVulkan_Shutdown();
IMGUI_IMPL_API void ImGui_ImplVulkan_NewFrame();
IMGUI_IMPL_API void ImGui_ImplVulkan_RenderDrawData(ImDrawData* draw_data, VkCommandBuffer command_buffer,
                                                    VkPipeline pipeline = VK_NULL_HANDLE);
// Records the font atlas upload into command_buffer; the atlas's texture id becomes a descriptor set.
IMGUI_IMPL_API bool ImGui_ImplVulkan_CreateFontsTexture(VkCommandBuffer command_buffer);
IMGUI_IMPL_API void ImGui_ImplVulkan_DestroyFontUploadObjects();
IMGUI_IMPL_API void ImGui_ImplVulkan_SetMinImageCount(uint32_t min_image_count);
IMGUI_IMPL_API bool ImGui_ImplVulkan_CreateDeviceObjects();
// A descriptor set from the initialisation pool that samples image_view with sampler: the texture id to
// hand to ImGui::Image. It lives until the pool is destroyed.
IMGUI_IMPL_API VkDescriptorSet ImGui_ImplVulkan_RegisterTexture(VkSampler sampler, VkImageView image_view,
                                                                VkImageLayout image_layout);
