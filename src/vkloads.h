// vkloads: the table of Vulkan entry points and its three loading stages. The game does not link the
// Vulkan loader; it opens it at run time and fetches every command it calls by name.
#pragma once

#include <vulkan/vulkan.h>

// The commands of each stage, in load order. X(name) is applied to each.
#define VK_GLOBAL_ENTRY_POINTS(X)                                                                        \
    X(vkGetInstanceProcAddr) X(vkCreateInstance) X(vkEnumerateInstanceExtensionProperties)               \
    X(vkEnumerateInstanceLayerProperties)

#define VK_INSTANCE_ENTRY_POINTS(X)                                                                      \
    X(vkCreateDevice) X(vkDestroyInstance) X(vkDestroySurfaceKHR) X(vkEnumeratePhysicalDevices)          \
    X(vkGetDeviceProcAddr) X(vkGetPhysicalDeviceFeatures) X(vkGetPhysicalDeviceFormatProperties)         \
    X(vkGetPhysicalDeviceMemoryProperties) X(vkGetPhysicalDeviceProperties)                              \
    X(vkGetPhysicalDeviceQueueFamilyProperties) X(vkGetPhysicalDeviceSurfaceCapabilitiesKHR)             \
    X(vkGetPhysicalDeviceSurfaceFormatsKHR) X(vkGetPhysicalDeviceSurfacePresentModesKHR)                 \
    X(vkGetPhysicalDeviceSurfaceSupportKHR)

#define VK_DEVICE_ENTRY_POINTS(X)                                                                        \
    X(vkAcquireNextImageKHR) X(vkAllocateCommandBuffers) X(vkAllocateDescriptorSets) X(vkAllocateMemory) \
    X(vkBeginCommandBuffer) X(vkBindBufferMemory) X(vkBindImageMemory) X(vkCmdBeginRenderPass)           \
    X(vkCmdBindDescriptorSets) X(vkCmdBindIndexBuffer) X(vkCmdBindPipeline) X(vkCmdBindVertexBuffers)    \
    X(vkCmdCopyBuffer) X(vkCmdBlitImage) X(vkCmdCopyBufferToImage) X(vkCmdDrawIndexed)                   \
    X(vkCmdEndRenderPass) X(vkCmdPipelineBarrier) X(vkCmdPushConstants) X(vkCmdSetDepthBias)             \
    X(vkCmdSetScissor) X(vkCmdSetViewport) X(vkCreateBuffer) X(vkCreateCommandPool)                      \
    X(vkCreateDescriptorPool) X(vkCreateDescriptorSetLayout) X(vkCreateFence) X(vkCreateFramebuffer)     \
    X(vkCreateGraphicsPipelines) X(vkCreateImage) X(vkCreateImageView) X(vkCreatePipelineLayout)         \
    X(vkCreateRenderPass) X(vkCreateSampler) X(vkCreateSemaphore) X(vkCreateShaderModule)                \
    X(vkCreateSwapchainKHR) X(vkDestroyBuffer) X(vkDestroyCommandPool) X(vkDestroyDescriptorPool)        \
    X(vkDestroyDescriptorSetLayout) X(vkDestroyDevice) X(vkDestroyFence) X(vkDestroyFramebuffer)         \
    X(vkDestroyImage) X(vkDestroyImageView) X(vkDestroyPipeline) X(vkDestroyPipelineLayout)              \
    X(vkDestroyRenderPass) X(vkDestroySampler) X(vkDestroySemaphore) X(vkDestroyShaderModule)            \
    X(vkDestroySwapchainKHR) X(vkDeviceWaitIdle) X(vkEndCommandBuffer) X(vkFlushMappedMemoryRanges)      \
    X(vkFreeCommandBuffers) X(vkFreeMemory) X(vkGetBufferMemoryRequirements) X(vkGetDeviceQueue)         \
    X(vkGetImageMemoryRequirements) X(vkGetSwapchainImagesKHR) X(vkMapMemory) X(vkQueuePresentKHR)       \
    X(vkQueueSubmit) X(vkQueueWaitIdle) X(vkResetCommandBuffer) X(vkResetDescriptorPool)                 \
    X(vkResetFences) X(vkUnmapMemory) X(vkUpdateDescriptorSets) X(vkWaitForFences)

#define VK_ENTRY_POINT_FIELD(name) PFN_##name name;

// One pointer per command, null until its stage has run. Kept inside one record so that no data
// symbol of the executable carries a Vulkan command's name (the window library opens the real loader
// in the same process).
struct Vulkan_Entry_Points {
    VK_GLOBAL_ENTRY_POINTS(VK_ENTRY_POINT_FIELD)
    VK_INSTANCE_ENTRY_POINTS(VK_ENTRY_POINT_FIELD)
    VK_DEVICE_ENTRY_POINTS(VK_ENTRY_POINT_FIELD)
};

#undef VK_ENTRY_POINT_FIELD

extern Vulkan_Entry_Points vk_entry_points;

// Opens libvulkan.so.1 and fetches the four global commands.
void load_global_vk_functions();
// Fetches the instance commands; right after vkCreateInstance.
void load_instance_vk_functions(VkInstance instance);
// Fetches the device commands; right after vkCreateDevice.
void load_device_vk_functions(VkDevice device);

// Code calls Vulkan by the commands' own names; each name stands for its entry in the table. This is
// also what lets code written against the standard prototypes (the GUI back-end) run through the
// table. The loader itself works on the fields and opts out.
#ifndef VKLOADS_NO_CALL_NAMES
#define vkGetInstanceProcAddr vk_entry_points.vkGetInstanceProcAddr
#define vkCreateInstance vk_entry_points.vkCreateInstance
#define vkEnumerateInstanceExtensionProperties vk_entry_points.vkEnumerateInstanceExtensionProperties
#define vkEnumerateInstanceLayerProperties vk_entry_points.vkEnumerateInstanceLayerProperties
#define vkCreateDevice vk_entry_points.vkCreateDevice
#define vkDestroyInstance vk_entry_points.vkDestroyInstance
#define vkDestroySurfaceKHR vk_entry_points.vkDestroySurfaceKHR
#define vkEnumeratePhysicalDevices vk_entry_points.vkEnumeratePhysicalDevices
#define vkGetDeviceProcAddr vk_entry_points.vkGetDeviceProcAddr
#define vkGetPhysicalDeviceFeatures vk_entry_points.vkGetPhysicalDeviceFeatures
#define vkGetPhysicalDeviceFormatProperties vk_entry_points.vkGetPhysicalDeviceFormatProperties
#define vkGetPhysicalDeviceMemoryProperties vk_entry_points.vkGetPhysicalDeviceMemoryProperties
#define vkGetPhysicalDeviceProperties vk_entry_points.vkGetPhysicalDeviceProperties
#define vkGetPhysicalDeviceQueueFamilyProperties vk_entry_points.vkGetPhysicalDeviceQueueFamilyProperties
#define vkGetPhysicalDeviceSurfaceCapabilitiesKHR vk_entry_points.vkGetPhysicalDeviceSurfaceCapabilitiesKHR
#define vkGetPhysicalDeviceSurfaceFormatsKHR vk_entry_points.vkGetPhysicalDeviceSurfaceFormatsKHR
#define vkGetPhysicalDeviceSurfacePresentModesKHR vk_entry_points.vkGetPhysicalDeviceSurfacePresentModesKHR
#define vkGetPhysicalDeviceSurfaceSupportKHR vk_entry_points.vkGetPhysicalDeviceSurfaceSupportKHR
#define vkAcquireNextImageKHR vk_entry_points.vkAcquireNextImageKHR
#define vkAllocateCommandBuffers vk_entry_points.vkAllocateCommandBuffers
#define vkAllocateDescriptorSets vk_entry_points.vkAllocateDescriptorSets
#define vkAllocateMemory vk_entry_points.vkAllocateMemory
#define vkBeginCommandBuffer vk_entry_points.vkBeginCommandBuffer
#define vkBindBufferMemory vk_entry_points.vkBindBufferMemory
#define vkBindImageMemory vk_entry_points.vkBindImageMemory
#define vkCmdBeginRenderPass vk_entry_points.vkCmdBeginRenderPass
#define vkCmdBindDescriptorSets vk_entry_points.vkCmdBindDescriptorSets
#define vkCmdBindIndexBuffer vk_entry_points.vkCmdBindIndexBuffer
#define vkCmdBindPipeline vk_entry_points.vkCmdBindPipeline
#define vkCmdBindVertexBuffers vk_entry_points.vkCmdBindVertexBuffers
#define vkCmdCopyBuffer vk_entry_points.vkCmdCopyBuffer
#define vkCmdBlitImage vk_entry_points.vkCmdBlitImage
#define vkCmdCopyBufferToImage vk_entry_points.vkCmdCopyBufferToImage
#define vkCmdDrawIndexed vk_entry_points.vkCmdDrawIndexed
#define vkCmdEndRenderPass vk_entry_points.vkCmdEndRenderPass
#define vkCmdPipelineBarrier vk_entry_points.vkCmdPipelineBarrier
#define vkCmdPushConstants vk_entry_points.vkCmdPushConstants
#define vkCmdSetDepthBias vk_entry_points.vkCmdSetDepthBias
#define vkCmdSetScissor vk_entry_points.vkCmdSetScissor
#define vkCmdSetViewport vk_entry_points.vkCmdSetViewport
#define vkCreateBuffer vk_entry_points.vkCreateBuffer
#define vkCreateCommandPool vk_entry_points.vkCreateCommandPool
#define vkCreateDescriptorPool vk_entry_points.vkCreateDescriptorPool
#define vkCreateDescriptorSetLayout vk_entry_points.vkCreateDescriptorSetLayout
#define vkCreateFence vk_entry_points.vkCreateFence
#define vkCreateFramebuffer vk_entry_points.vkCreateFramebuffer
#define vkCreateGraphicsPipelines vk_entry_points.vkCreateGraphicsPipelines
#define vkCreateImage vk_entry_points.vkCreateImage
#define vkCreateImageView vk_entry_points.vkCreateImageView
#define vkCreatePipelineLayout vk_entry_points.vkCreatePipelineLayout
#define vkCreateRenderPass vk_entry_points.vkCreateRenderPass
#define vkCreateSampler vk_entry_points.vkCreateSampler
#define vkCreateSemaphore vk_entry_points.vkCreateSemaphore
#define vkCreateShaderModule vk_entry_points.vkCreateShaderModule
#define vkCreateSwapchainKHR vk_entry_points.vkCreateSwapchainKHR
#define vkDestroyBuffer vk_entry_points.vkDestroyBuffer
#define vkDestroyCommandPool vk_entry_points.vkDestroyCommandPool
#define vkDestroyDescriptorPool vk_entry_points.vkDestroyDescriptorPool
#define vkDestroyDescriptorSetLayout vk_entry_points.vkDestroyDescriptorSetLayout
#define vkDestroyDevice vk_entry_points.vkDestroyDevice
#define vkDestroyFence vk_entry_points.vkDestroyFence
#define vkDestroyFramebuffer vk_entry_points.vkDestroyFramebuffer
#define vkDestroyImage vk_entry_points.vkDestroyImage
#define vkDestroyImageView vk_entry_points.vkDestroyImageView
#define vkDestroyPipeline vk_entry_points.vkDestroyPipeline
#define vkDestroyPipelineLayout vk_entry_points.vkDestroyPipelineLayout
#define vkDestroyRenderPass vk_entry_points.vkDestroyRenderPass
#define vkDestroySampler vk_entry_points.vkDestroySampler
#define vkDestroySemaphore vk_entry_points.vkDestroySemaphore
#define vkDestroyShaderModule vk_entry_points.vkDestroyShaderModule
#define vkDestroySwapchainKHR vk_entry_points.vkDestroySwapchainKHR
#define vkDeviceWaitIdle vk_entry_points.vkDeviceWaitIdle
#define vkEndCommandBuffer vk_entry_points.vkEndCommandBuffer
#define vkFlushMappedMemoryRanges vk_entry_points.vkFlushMappedMemoryRanges
#define vkFreeCommandBuffers vk_entry_points.vkFreeCommandBuffers
#define vkFreeMemory vk_entry_points.vkFreeMemory
#define vkGetBufferMemoryRequirements vk_entry_points.vkGetBufferMemoryRequirements
#define vkGetDeviceQueue vk_entry_points.vkGetDeviceQueue
#define vkGetImageMemoryRequirements vk_entry_points.vkGetImageMemoryRequirements
#define vkGetSwapchainImagesKHR vk_entry_points.vkGetSwapchainImagesKHR
#define vkMapMemory vk_entry_points.vkMapMemory
#define vkQueuePresentKHR vk_entry_points.vkQueuePresentKHR
#define vkQueueSubmit vk_entry_points.vkQueueSubmit
#define vkQueueWaitIdle vk_entry_points.vkQueueWaitIdle
#define vkResetCommandBuffer vk_entry_points.vkResetCommandBuffer
#define vkResetDescriptorPool vk_entry_points.vkResetDescriptorPool
#define vkResetFences vk_entry_points.vkResetFences
#define vkUnmapMemory vk_entry_points.vkUnmapMemory
#define vkUpdateDescriptorSets vk_entry_points.vkUpdateDescriptorSets
#define vkWaitForFences vk_entry_points.vkWaitForFences
#endif
