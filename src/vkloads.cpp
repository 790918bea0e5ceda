// vkloads: opens the Vulkan loader at run time and fills the entry-point table, stage by stage.
#define VKLOADS_NO_CALL_NAMES
#include "vkloads.h"

#include <dlfcn.h>

#include "vek/panic.h"

Vulkan_Entry_Points vk_entry_points;

void load_global_vk_functions() {
    // The handle is only needed to find the first entry point; the library stays open for good.
    void* library = dlopen("libvulkan.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) panic("libvulkan.so.1 could not be loaded");

    vk_entry_points.vkGetInstanceProcAddr = (PFN_vkGetInstanceProcAddr)dlsym(library, "vkGetInstanceProcAddr");
    if (vk_entry_points.vkGetInstanceProcAddr == nullptr) panic("GetInstanceProcAddr could not be loaded");

#define LOAD_GLOBAL(name)                                                                         \
    vk_entry_points.name = (PFN_##name)vk_entry_points.vkGetInstanceProcAddr(VK_NULL_HANDLE, #name); \
    if (vk_entry_points.name == nullptr) panic("%s could not be loaded (global)", #name);
    LOAD_GLOBAL(vkCreateInstance)
    LOAD_GLOBAL(vkEnumerateInstanceExtensionProperties)
    LOAD_GLOBAL(vkEnumerateInstanceLayerProperties)
#undef LOAD_GLOBAL
}

void load_instance_vk_functions(VkInstance instance) {
#define LOAD_INSTANCE(name)                                                                  \
    vk_entry_points.name = (PFN_##name)vk_entry_points.vkGetInstanceProcAddr(instance, #name); \
    if (vk_entry_points.name == nullptr) panic("%s could not be loaded (instance)", #name);
    VK_INSTANCE_ENTRY_POINTS(LOAD_INSTANCE)
#undef LOAD_INSTANCE
}

void load_device_vk_functions(VkDevice device) {
#define LOAD_DEVICE(name)                                                                 \
    vk_entry_points.name = (PFN_##name)vk_entry_points.vkGetDeviceProcAddr(device, #name); \
    if (vk_entry_points.name == nullptr) panic("%s could not be loaded (device)", #name);
    VK_DEVICE_ENTRY_POINTS(LOAD_DEVICE)
#undef LOAD_DEVICE
}
