// vkinter: the renderer's Vulkan core (see vkinter.h).
#include "vkinter.h"

#include <GLFW/glfw3.h>
#include <signal.h>
#include <stdio.h>

#include "image.h"
#include "imgui_inter.h"
#include "mesh.h"
#include "pipeline.h"
#include "transform.h"

Renderer_Globals renderer;

static void create_render_finished_semaphores();
static void destroy_render_finished_semaphores();

// ---------------------------------------------------------------------------------------------------
// Result check and diagnostics

void vk_check_result(VkResult result, const char* file, u32 line, const char* function) {
    if (result == VK_SUCCESS) return;
    vek_panic(file, line, function,
              "%{color<}%{color<}[Vulkan Error]%{>color} code %{color<}%{s32}%{>color}: %{color<}%{->char}%{>color}%{>color}",
              console_reset, console_red, console_cyan, (s32)result, console_red, vk_result_to_string(result));
}

const char* vk_result_to_string(VkResult code) {
    switch (code) {
#define NAME(enumerator) \
    case enumerator: return #enumerator;
        NAME(VK_SUCCESS)
        NAME(VK_NOT_READY)
        NAME(VK_TIMEOUT)
        NAME(VK_EVENT_SET)
        NAME(VK_EVENT_RESET)
        NAME(VK_INCOMPLETE)
        NAME(VK_ERROR_OUT_OF_HOST_MEMORY)
        NAME(VK_ERROR_OUT_OF_DEVICE_MEMORY)
        NAME(VK_ERROR_INITIALIZATION_FAILED)
        NAME(VK_ERROR_DEVICE_LOST)
        NAME(VK_ERROR_MEMORY_MAP_FAILED)
        NAME(VK_ERROR_LAYER_NOT_PRESENT)
        NAME(VK_ERROR_EXTENSION_NOT_PRESENT)
        NAME(VK_ERROR_FEATURE_NOT_PRESENT)
        NAME(VK_ERROR_INCOMPATIBLE_DRIVER)
        NAME(VK_ERROR_TOO_MANY_OBJECTS)
        NAME(VK_ERROR_FORMAT_NOT_SUPPORTED)
        NAME(VK_ERROR_FRAGMENTED_POOL)
        NAME(VK_ERROR_UNKNOWN)
        NAME(VK_ERROR_OUT_OF_POOL_MEMORY)
        NAME(VK_ERROR_INVALID_EXTERNAL_HANDLE)
        NAME(VK_ERROR_FRAGMENTATION)
        NAME(VK_ERROR_INVALID_OPAQUE_CAPTURE_ADDRESS)
        NAME(VK_ERROR_SURFACE_LOST_KHR)
        NAME(VK_ERROR_NATIVE_WINDOW_IN_USE_KHR)
        NAME(VK_SUBOPTIMAL_KHR)
        NAME(VK_ERROR_OUT_OF_DATE_KHR)
        NAME(VK_ERROR_INCOMPATIBLE_DISPLAY_KHR)
        NAME(VK_ERROR_VALIDATION_FAILED_EXT)
        NAME(VK_ERROR_INVALID_SHADER_NV)
        NAME(VK_ERROR_INVALID_DRM_FORMAT_MODIFIER_PLANE_LAYOUT_EXT)
        NAME(VK_ERROR_NOT_PERMITTED_EXT)
        NAME(VK_ERROR_FULL_SCREEN_EXCLUSIVE_MODE_LOST_EXT)
        NAME(VK_THREAD_IDLE_KHR)
        NAME(VK_THREAD_DONE_KHR)
        NAME(VK_OPERATION_DEFERRED_KHR)
        NAME(VK_OPERATION_NOT_DEFERRED_KHR)
        NAME(VK_PIPELINE_COMPILE_REQUIRED_EXT)
#undef NAME
    default: return "unknown error";
    }
}

static u32 version_major(u32 version) { return version >> 22; }
static u32 version_minor(u32 version) { return (version >> 12) & 0x3FF; }
static u32 version_patch(u32 version) { return version & 0xFFF; }
static const char* yes_no(bool value) { return value ? "yes" : "no"; }

void print_instance_layers(const VkLayerProperties* layers, u32 count) {
    printf("-----------------------------------\n        INSTANCE LAYERS (%u)       \n"
           "-----------------------------------\n", count);
    for (u32 i = 0; i < count; i++) {
        const VkLayerProperties* layer = &layers[i];
        printf("Layer %u\n  name: %s\n  spec version: %u.%u.%u\n  impl version: %u\n  description: %s\n", i,
               layer->layerName, version_major(layer->specVersion), version_minor(layer->specVersion),
               version_patch(layer->specVersion), layer->implementationVersion, layer->description);
    }
}

void print_instance_extensions(const VkExtensionProperties* extensions, u32 count) {
    printf("-----------------------------------\n      INSTANCE EXTENSIONS (%u)     \n"
           "-----------------------------------\n", count);
    for (u32 i = 0; i < count; i++) {
        printf("extension %d:\n", (int)i);
        printf("  name:         %s\n", extensions[i].extensionName);
        u32 version = extensions[i].specVersion;
        printf("  spec version: %u.%u.%u\n", version_major(version), version_minor(version), version_patch(version));
    }
}

static const char* device_type_word(VkPhysicalDeviceType type) {
    switch (type) {
    case VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU: return "INTEGRATED_GPU";
    case VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU: return "DISCRETE_GPU";
    case VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU: return "VIRTUAL_GPU";
    case VK_PHYSICAL_DEVICE_TYPE_CPU: return "CPU";
    default: return "OTHER";
    }
}

void print_physical_devices(const VkPhysicalDevice* devices, u32 count) {
    printf("--------------------------\n   PHYSICAL DEVICES (%u)  \n--------------------------\n", count);
    for (u32 i = 0; i < count; i++) {
        VkPhysicalDevice device = devices[i];
        printf("device %d:\n", (int)i);
        VkPhysicalDeviceProperties properties;
        VkPhysicalDeviceFeatures features;
        VkPhysicalDeviceMemoryProperties memory;
        vkGetPhysicalDeviceProperties(device, &properties);
        vkGetPhysicalDeviceFeatures(device, &features);
        vkGetPhysicalDeviceMemoryProperties(device, &memory);

        printf("  Properties:\n    device_name:        %s\n    device_type:        %s\n"
               "    vulkan_api_version: %u.%u.%u\n    driver_version:     %u\n    vendor_id:          %u\n"
               "    device_id:          %u\n    discrete Q prios:   %u\n",
               properties.deviceName, device_type_word(properties.deviceType), version_major(properties.apiVersion),
               version_minor(properties.apiVersion), version_patch(properties.apiVersion), properties.driverVersion,
               properties.vendorID, properties.deviceID, properties.limits.discreteQueuePriorities);
        printf("  Features:\n    geometryShader:     %s\n    tessellationShader: %s\n",
               yes_no(features.geometryShader), yes_no(features.tessellationShader));

        printf("  Memory Properties:\n");
        for (u32 j = 0; j < memory.memoryHeapCount; j++) {
            printf("    heap %d:\n", (int)j);
            printf("      heap size:     %.2f gb\n", (double)memory.memoryHeaps[j].size / (double)(1ull << 30));
        }
        for (u32 k = 0; k < memory.memoryTypeCount; k++) {
            VkMemoryPropertyFlags flags = memory.memoryTypes[k].propertyFlags;
            printf("    type %d: for heap %u\n", (int)k, memory.memoryTypes[k].heapIndex);
            printf("      device local bit:     %s\n      host visible bit:     %s\n      host coherent bit:    %s\n"
                   "      host cached bit:      %s\n      lazily allocated bit: %s\n",
                   yes_no(flags & 1), yes_no(flags & 2), yes_no(flags & 4), yes_no(flags & 8), yes_no(flags & 16));
        }

        u32 family_count = 0;
        vkGetPhysicalDeviceQueueFamilyProperties(device, &family_count, nullptr);
        VkQueueFamilyProperties* families = (VkQueueFamilyProperties*)vek_malloc(family_count * sizeof(*families) + 1);
        vkGetPhysicalDeviceQueueFamilyProperties(device, &family_count, families);
        printf("  Q-Families (count: %u)\n", family_count);
        for (u32 f = 0; f < family_count; f++) {
            VkQueueFamilyProperties* family = &families[f];
            printf("    Q-Family %d\n", (int)f);
            printf("      graphics:       %s\n      compute:        %s\n      transfer:       %s\n"
                   "      sparse binding: %s\n      q count:        %u\n      timestamp bits: %u\n"
                   "      img transfer granularity - width:  %u\n      img transfer granularity - height: %u\n"
                   "      img transfer granularity - depth:  %u\n",
                   yes_no(family->queueFlags & 1), yes_no(family->queueFlags & 2), yes_no(family->queueFlags & 4),
                   yes_no(family->queueFlags & 8), family->queueCount, family->timestampValidBits,
                   family->minImageTransferGranularity.width, family->minImageTransferGranularity.height,
                   family->minImageTransferGranularity.depth);
        }
        vek_free(families);

        VkSurfaceCapabilitiesKHR caps = {};
        vkGetPhysicalDeviceSurfaceCapabilitiesKHR(device, renderer.surface, &caps);
        printf("  VkSurfaceCapabilitiesKHR:\n");
        printf("      minImageCount:           %d\n", (int)caps.minImageCount);
        printf("      maxImageCount:           %d\n", (int)caps.maxImageCount);
        printf("      currentExtent:           %d %d\n", (int)caps.currentExtent.width, (int)caps.currentExtent.height);
        printf("      minImageExtent:          %d %d\n", (int)caps.minImageExtent.width, (int)caps.minImageExtent.height);
        printf("      maxImageExtent:          %d %d\n", (int)caps.maxImageExtent.width, (int)caps.maxImageExtent.height);
        printf("      maxImageArrayLayers:     %d\n", (int)caps.maxImageArrayLayers);
        printf("      supportedTransforms:     %d\n", (int)caps.supportedTransforms);
        printf("      currentTransform:        %d\n", (int)caps.currentTransform);
        printf("      supportedCompositeAlpha: %d\n", (int)caps.supportedCompositeAlpha);
        printf("      supportedUsageFlags:     %d\n", (int)caps.supportedUsageFlags);

        u32 format_count = 0;
        vkGetPhysicalDeviceSurfaceFormatsKHR(device, renderer.surface, &format_count, nullptr);
        VkSurfaceFormatKHR* formats = (VkSurfaceFormatKHR*)vek_malloc(format_count * sizeof(*formats) + 1);
        vkGetPhysicalDeviceSurfaceFormatsKHR(device, renderer.surface, &format_count, formats);
        printf("  Supported surface formats (%d):\n", (int)format_count);
        for (u32 f = 0; f < format_count; f++)
            printf("      format: %d color_space: %d\n", (int)formats[f].format, (int)formats[f].colorSpace);
        vek_free(formats);

        u32 mode_count = 0;
        vkGetPhysicalDeviceSurfacePresentModesKHR(device, renderer.surface, &mode_count, nullptr);
        VkPresentModeKHR* modes = (VkPresentModeKHR*)vek_malloc(mode_count * sizeof(*modes) + 1);
        vkGetPhysicalDeviceSurfacePresentModesKHR(device, renderer.surface, &mode_count, modes);
        printf("  Presentation modes (%d):\n", (int)mode_count);
        for (u32 m = 0; m < mode_count; m++) printf("      mode: %d\n", (int)modes[m]);
        vek_free(modes);
    }
}

// ---------------------------------------------------------------------------------------------------
// Instance, device choice, logical device

void create_instance() {
    load_global_vk_functions();

    VkApplicationInfo app_info = {};
    app_info.sType = VK_STRUCTURE_TYPE_APPLICATION_INFO;
    app_info.pApplicationName = "drox";
    app_info.applicationVersion = VK_MAKE_VERSION(0, 1, 0);
    app_info.pEngineName = "drox engine";
    app_info.engineVersion = VK_MAKE_VERSION(0, 1, 0);
    app_info.apiVersion = VK_API_VERSION_1_2;

    Array_List<const char*> extensions;
    array_list_init(&extensions, 16);
    u32 glfw_count = 0;
    const char** glfw_extensions = glfwGetRequiredInstanceExtensions(&glfw_count);
    for (u32 i = 0; i < glfw_count; i++) array_list_push(&extensions, glfw_extensions[i]);

    VkInstanceCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
    info.pApplicationInfo = &app_info;
    info.enabledExtensionCount = extensions.count;
    info.ppEnabledExtensionNames = extensions.data;
    vk_check(vkCreateInstance(&info, nullptr, &renderer.instance));

    load_instance_vk_functions(renderer.instance);
    array_list_free(&extensions);
}

u32 find_queue_family_index(const VkQueueFamilyProperties* families, u32 count) {
    const VkQueueFlags wanted = VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT;
    for (u32 i = 0; i < count; i++)
        if ((families[i].queueFlags & wanted) == wanted) return i;
    return 0xFFFFFFFF;
}

s64 choose_device_index(const Device_Candidate* candidates, u32 count) {
    s64 first_presenting = -1;
    for (u32 i = 0; i < count; i++) {
        if (!candidates[i].can_present) continue;
        if (candidates[i].type == VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU) return i;
        if (first_presenting < 0) first_presenting = i;
    }
    return first_presenting;
}

VkSampleCountFlagBits choose_msaa_samples(VkSampleCountFlags counts) {
    if (counts & VK_SAMPLE_COUNT_8_BIT) return VK_SAMPLE_COUNT_8_BIT;
    if (counts & VK_SAMPLE_COUNT_4_BIT) return VK_SAMPLE_COUNT_4_BIT;
    if (counts & VK_SAMPLE_COUNT_2_BIT) return VK_SAMPLE_COUNT_2_BIT;
    return VK_SAMPLE_COUNT_1_BIT;
}

VkSurfaceFormatKHR choose_surface_format(const VkSurfaceFormatKHR* formats, u32 count) {
    // Textures are UNORM and the shaders write display values, so the swapchain must not re-encode.
    for (u32 i = 0; i < count; i++)
        if (formats[i].format == VK_FORMAT_B8G8R8A8_UNORM && formats[i].colorSpace == VK_COLOR_SPACE_SRGB_NONLINEAR_KHR)
            return formats[i];
    return formats[0];
}

static const char* format_name(VkFormat format) {
    switch (format) {
    case VK_FORMAT_D32_SFLOAT_S8_UINT: return "D32_SFLOAT_S8_UINT";
    case VK_FORMAT_D24_UNORM_S8_UINT: return "D24_UNORM_S8_UINT";
    case VK_FORMAT_D32_SFLOAT: return "D32_SFLOAT";
    case VK_FORMAT_B8G8R8A8_UNORM: return "B8G8R8A8_UNORM";
    case VK_FORMAT_B8G8R8A8_SRGB: return "B8G8R8A8_SRGB";
    case VK_FORMAT_R8G8B8A8_UNORM: return "R8G8B8A8_UNORM";
    case VK_FORMAT_R8G8B8A8_SRGB: return "R8G8B8A8_SRGB";
    default: return "other";
    }
}

void discover_hardware() {
    vk_check(glfwCreateWindowSurface(renderer.instance, renderer.window, nullptr, &renderer.surface));

    u32 device_count = 0;
    vk_check(vkEnumeratePhysicalDevices(renderer.instance, &device_count, nullptr));
    if (device_count == 0) panic("No suitable device was found!");
    VkPhysicalDevice* devices = (VkPhysicalDevice*)vek_malloc(device_count * sizeof(VkPhysicalDevice));
    vk_check(vkEnumeratePhysicalDevices(renderer.instance, &device_count, devices));

    // Each device is judged by the queue family it would use: that family must be able to present.
    Device_Candidate* candidates = (Device_Candidate*)vek_malloc(device_count * sizeof(Device_Candidate));
    bool any_family = false;
    for (u32 i = 0; i < device_count; i++) {
        VkPhysicalDeviceProperties properties;
        vkGetPhysicalDeviceProperties(devices[i], &properties);
        u32 family_count = 0;
        vkGetPhysicalDeviceQueueFamilyProperties(devices[i], &family_count, nullptr);
        VkQueueFamilyProperties* families = (VkQueueFamilyProperties*)vek_malloc(family_count * sizeof(*families) + 1);
        vkGetPhysicalDeviceQueueFamilyProperties(devices[i], &family_count, families);
        candidates[i].type = properties.deviceType;
        candidates[i].queue_family = find_queue_family_index(families, family_count);
        candidates[i].can_present = false;
        vek_free(families);
        if (candidates[i].queue_family == 0xFFFFFFFF) continue;
        any_family = true;
        VkBool32 supported = VK_FALSE;
        vk_check(vkGetPhysicalDeviceSurfaceSupportKHR(devices[i], candidates[i].queue_family, renderer.surface,
                                                      &supported));
        candidates[i].can_present = supported == VK_TRUE;
    }
    if (!any_family) panic("could not find suitable q family index");
    s64 chosen = choose_device_index(candidates, device_count);
    if (chosen < 0) panic("No suitable device was found!");
    renderer.physical_device = devices[chosen];
    renderer.queue_family = candidates[chosen].queue_family;
    vek_free(candidates);
    vek_free(devices);

    vkGetPhysicalDeviceProperties(renderer.physical_device, &renderer.device_properties);
    vk_check(vkGetPhysicalDeviceSurfaceCapabilitiesKHR(renderer.physical_device, renderer.surface,
                                                       &renderer.surface_capabilities));
    renderer.image_count = renderer.surface_capabilities.minImageCount;

    const VkPhysicalDeviceLimits* limits = &renderer.device_properties.limits;
    renderer.msaa_samples = choose_msaa_samples(limits->framebufferColorSampleCounts & limits->framebufferDepthSampleCounts);

    renderer.depth_format = find_depth_format();
    renderer.present_mode = VK_PRESENT_MODE_FIFO_KHR;

    u32 format_count = 0;
    vk_check(vkGetPhysicalDeviceSurfaceFormatsKHR(renderer.physical_device, renderer.surface, &format_count, nullptr));
    if (format_count == 0) panic("The window surface offers no image formats");
    VkSurfaceFormatKHR* formats = (VkSurfaceFormatKHR*)vek_malloc(format_count * sizeof(VkSurfaceFormatKHR));
    vk_check(vkGetPhysicalDeviceSurfaceFormatsKHR(renderer.physical_device, renderer.surface, &format_count, formats));
    VkSurfaceFormatKHR chosen_format = choose_surface_format(formats, format_count);
    renderer.surface_format = chosen_format.format;
    renderer.surface_color_space = chosen_format.colorSpace;
    vek_free(formats);

    println("Vulkan device %s: %{u32} samples, depth format %s, queue family %{u32}, present mode FIFO, "
            "surface format %s, %{u32} images",
            renderer.device_properties.deviceName, (u32)renderer.msaa_samples, format_name(renderer.depth_format),
            renderer.queue_family, format_name(renderer.surface_format), renderer.image_count);
}

void create_device() {
    f32 priority = 1.0f;
    VkDeviceQueueCreateInfo queue_info = {};
    queue_info.sType = VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO;
    queue_info.queueFamilyIndex = renderer.queue_family;
    queue_info.queueCount = 1;
    queue_info.pQueuePriorities = &priority;

    // Only what the device has: asking for a missing feature fails device creation.
    VkPhysicalDeviceFeatures available;
    vkGetPhysicalDeviceFeatures(renderer.physical_device, &available);
    VkPhysicalDeviceFeatures features = {};
    features.sampleRateShading = available.sampleRateShading;
    features.fillModeNonSolid = available.fillModeNonSolid;
    features.samplerAnisotropy = available.samplerAnisotropy;
    renderer.device_features = features;

    Array_List<const char*> extensions;
    array_list_init(&extensions, 1);
    array_list_push(&extensions, VK_KHR_SWAPCHAIN_EXTENSION_NAME);

    VkDeviceCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO;
    info.queueCreateInfoCount = 1;
    info.pQueueCreateInfos = &queue_info;
    info.enabledExtensionCount = extensions.count;
    info.ppEnabledExtensionNames = extensions.data;
    info.pEnabledFeatures = &features;
    vk_check(vkCreateDevice(renderer.physical_device, &info, nullptr, &renderer.device));

    load_device_vk_functions(renderer.device);
    array_list_free(&extensions);
}

bool format_supports_features(VkPhysicalDevice physical_device, VkFormat format, VkImageTiling tiling,
                              VkFormatFeatureFlags features) {
    VkFormatProperties properties;
    vkGetPhysicalDeviceFormatProperties(physical_device, format, &properties);
    if (tiling == VK_IMAGE_TILING_LINEAR) return (properties.linearTilingFeatures & features) == features;
    if (tiling == VK_IMAGE_TILING_OPTIMAL) return (properties.optimalTilingFeatures & features) == features;
    return false;
}

VkFormat find_supported_format(const Array_List<VkFormat>* candidates, VkImageTiling tiling,
                               VkFormatFeatureFlags features) {
    for (u32 i = 0; i < candidates->count; i++)
        if (format_supports_features(renderer.physical_device, candidates->data[i], tiling, features))
            return candidates->data[i];
    panic("No supported format was found on the gpu.");
}

u32 find_memory_type_index(u32 type_bits, VkMemoryPropertyFlags properties) {
    VkPhysicalDeviceMemoryProperties memory;
    vkGetPhysicalDeviceMemoryProperties(renderer.physical_device, &memory);
    for (u32 i = 0; i < memory.memoryTypeCount; i++)
        if ((type_bits & (1u << i)) && (memory.memoryTypes[i].propertyFlags & properties) == properties) return i;
    panic("No suitable memory (? ? ?) found");
}

bool has_stencil_component(VkFormat format) {
    return format == VK_FORMAT_D24_UNORM_S8_UINT || format == VK_FORMAT_D32_SFLOAT_S8_UINT;
}

// ---------------------------------------------------------------------------------------------------
// Swapchain, main render pass, framebuffers

VkExtent2D choose_swapchain_extent(const VkSurfaceCapabilitiesKHR* capabilities, u32 width, u32 height) {
    if (capabilities->currentExtent.width != 0xFFFFFFFF) return capabilities->currentExtent;
    VkExtent2D extent = {width, height};
    extent.width = glm::clamp(extent.width, capabilities->minImageExtent.width, capabilities->maxImageExtent.width);
    extent.height = glm::clamp(extent.height, capabilities->minImageExtent.height, capabilities->maxImageExtent.height);
    return extent;
}

void create_swapchain() {
    // The extent must lie within what the surface allows now, which is the window's real size.
    VkSurfaceCapabilitiesKHR capabilities;
    vk_check(vkGetPhysicalDeviceSurfaceCapabilitiesKHR(renderer.physical_device, renderer.surface, &capabilities));
    VkExtent2D extent = choose_swapchain_extent(&capabilities, renderer.resized_width, renderer.resized_height);
    renderer.window_width = extent.width;
    renderer.window_height = extent.height;

    u32 min_image_count = glm::max(renderer.image_count, capabilities.minImageCount);
    if (capabilities.maxImageCount != 0) min_image_count = glm::min(min_image_count, capabilities.maxImageCount);

    VkSwapchainCreateInfoKHR info = {};
    info.sType = VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR;
    info.surface = renderer.surface;
    info.minImageCount = min_image_count;
    info.imageFormat = renderer.surface_format;
    info.imageColorSpace = renderer.surface_color_space;
    info.imageExtent = extent;
    info.imageArrayLayers = 1;
    info.imageUsage = VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.preTransform = VK_SURFACE_TRANSFORM_IDENTITY_BIT_KHR;
    info.compositeAlpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
    info.presentMode = renderer.present_mode;
    info.clipped = VK_TRUE;
    info.oldSwapchain = renderer.swapchain;
    vk_check(vkCreateSwapchainKHR(renderer.device, &info, nullptr, &renderer.swapchain));
}

void create_image_views() {
    vkGetSwapchainImagesKHR(renderer.device, renderer.swapchain, &renderer.image_count, nullptr);
    VkImage* images = (VkImage*)vek_malloc(renderer.image_count * sizeof(VkImage));
    vk_check(vkGetSwapchainImagesKHR(renderer.device, renderer.swapchain, &renderer.image_count, images));
    renderer.swapchain_image_views = (VkImageView*)vek_malloc(renderer.image_count * sizeof(VkImageView));
    for (u32 i = 0; i < renderer.image_count; i++)
        create_image_view(images[i], renderer.surface_format, VK_IMAGE_ASPECT_COLOR_BIT,
                          &renderer.swapchain_image_views[i], 1);
    vek_free(images);
}

void create_render_pass() {
    bool multisampled = renderer.msaa_samples != VK_SAMPLE_COUNT_1_BIT;

    Array_List<VkAttachmentDescription> attachments;
    array_list_init(&attachments, 2);
    VkAttachmentDescription color = {};
    color.format = renderer.surface_format;
    color.samples = renderer.msaa_samples;
    color.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    color.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    color.stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    color.stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    color.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    color.finalLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
    array_list_push(&attachments, color);

    VkAttachmentDescription depth = {};
    depth.format = renderer.depth_format;
    depth.samples = renderer.msaa_samples;
    depth.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    depth.storeOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    depth.stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    depth.stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    depth.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    depth.finalLayout = VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL;
    array_list_push(&attachments, depth);

    if (multisampled) {
        VkAttachmentDescription resolve = {};
        resolve.format = renderer.surface_format;
        resolve.samples = VK_SAMPLE_COUNT_1_BIT;
        resolve.loadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
        resolve.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
        resolve.stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
        resolve.stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
        resolve.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
        resolve.finalLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
        array_list_push(&attachments, resolve);
    }

    VkAttachmentReference color_ref = {0, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL};
    VkAttachmentReference depth_ref = {1, VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL};
    VkAttachmentReference resolve_ref = {2, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL};
    VkSubpassDescription subpass = {};
    subpass.pipelineBindPoint = VK_PIPELINE_BIND_POINT_GRAPHICS;
    subpass.colorAttachmentCount = 1;
    subpass.pColorAttachments = &color_ref;
    subpass.pResolveAttachments = multisampled ? &resolve_ref : nullptr;
    subpass.pDepthStencilAttachment = &depth_ref;

    // The multisampled colour target and the depth target are shared by every swapchain image, so a
    // frame's clears and writes must wait for the previous frame's writes to them; the swapchain image
    // itself waits for the acquire semaphore at the colour-output stage.
    const VkPipelineStageFlags attachment_stages = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT |
                                                   VK_PIPELINE_STAGE_EARLY_FRAGMENT_TESTS_BIT |
                                                   VK_PIPELINE_STAGE_LATE_FRAGMENT_TESTS_BIT;
    VkSubpassDependency dependencies[2] = {};
    dependencies[0].srcSubpass = VK_SUBPASS_EXTERNAL;
    dependencies[0].dstSubpass = 0;
    dependencies[0].srcStageMask = attachment_stages;
    dependencies[0].dstStageMask = attachment_stages;
    dependencies[0].srcAccessMask = VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT | VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT;
    dependencies[0].dstAccessMask = VK_ACCESS_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT |
                                    VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_READ_BIT |
                                    VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT;
    // The overlay pass that follows loads the finished image: make the writes visible to it.
    dependencies[1].srcSubpass = 0;
    dependencies[1].dstSubpass = VK_SUBPASS_EXTERNAL;
    dependencies[1].srcStageMask = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    dependencies[1].dstStageMask = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    dependencies[1].srcAccessMask = VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
    dependencies[1].dstAccessMask = VK_ACCESS_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;

    VkRenderPassCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_CREATE_INFO;
    info.attachmentCount = attachments.count;
    info.pAttachments = attachments.data;
    info.subpassCount = 1;
    info.pSubpasses = &subpass;
    info.dependencyCount = 2;
    info.pDependencies = dependencies;
    vk_check(vkCreateRenderPass(renderer.device, &info, nullptr, &renderer.main_render_pass));
    array_list_free(&attachments);
}

void create_color_resources() {
    create_image(renderer.window_width, renderer.window_height, renderer.surface_format, VK_IMAGE_TILING_OPTIMAL,
                 VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSIENT_ATTACHMENT_BIT,
                 VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, renderer.msaa_samples, 1, &renderer.color_image,
                 &renderer.color_image_memory);
    create_image_view(renderer.color_image, renderer.surface_format, VK_IMAGE_ASPECT_COLOR_BIT,
                      &renderer.color_image_view, 1);
}

void create_depth_resources() {
    renderer.depth_image = depth_image_alloc();
    depth_image_upload_to_gpu(renderer.depth_image, renderer.command_pool, renderer.queue, renderer.window_width,
                              renderer.window_height);
}

void create_framebuffer() {
    renderer.swapchain_framebuffers = (VkFramebuffer*)vek_malloc(renderer.image_count * sizeof(VkFramebuffer));
    for (u32 i = 0; i < renderer.image_count; i++) {
        Array_List<VkImageView> views;
        array_list_init(&views, 16);
        if (renderer.msaa_samples == VK_SAMPLE_COUNT_1_BIT) {
            array_list_push(&views, renderer.swapchain_image_views[i]);
            array_list_push(&views, renderer.depth_image->view);
        } else {
            array_list_push(&views, renderer.color_image_view);
            array_list_push(&views, renderer.depth_image->view);
            array_list_push(&views, renderer.swapchain_image_views[i]);
        }
        VkFramebufferCreateInfo info = {};
        info.sType = VK_STRUCTURE_TYPE_FRAMEBUFFER_CREATE_INFO;
        info.renderPass = renderer.main_render_pass;
        info.attachmentCount = views.count;
        info.pAttachments = views.data;
        info.width = renderer.window_width;
        info.height = renderer.window_height;
        info.layers = 1;
        vk_check(vkCreateFramebuffer(renderer.device, &info, nullptr, &renderer.swapchain_framebuffers[i]));
        array_list_free(&views);
    }
}

void cleanup_swapchain(VkSwapchainKHR old) {
    if (old == VK_NULL_HANDLE) return;
    VkDevice device = renderer.device;
    vkDeviceWaitIdle(device);

    vkFreeCommandBuffers(device, renderer.command_pool, renderer.image_count, renderer.scene_command_buffers);
    vek_free(renderer.scene_command_buffers);
    renderer.scene_command_buffers = nullptr;
    for (u32 i = 0; i < renderer.image_count; i++) vkDestroyFramebuffer(device, renderer.swapchain_framebuffers[i], nullptr);
    vek_free(renderer.swapchain_framebuffers);
    renderer.swapchain_framebuffers = nullptr;
    for (u32 i = 0; i < renderer.image_count; i++) vkDestroyImageView(device, renderer.swapchain_image_views[i], nullptr);
    vek_free(renderer.swapchain_image_views);
    renderer.swapchain_image_views = nullptr;
    vkDestroySwapchainKHR(device, old, nullptr);
    vkDestroyRenderPass(device, renderer.main_render_pass, nullptr);
    vkDestroyImageView(device, renderer.color_image_view, nullptr);
    vkDestroyImage(device, renderer.color_image, nullptr);
    vkFreeMemory(device, renderer.color_image_memory, nullptr);
}

void recreate_swapchain() {
    // A minimised window has no area to present to: wait until it has one again.
    int width = 0, height = 0;
    glfwGetFramebufferSize(renderer.window, &width, &height);
    while (width == 0 || height == 0) {
        glfwWaitEvents();
        glfwGetFramebufferSize(renderer.window, &width, &height);
    }
    renderer.window_resized = false;

    VkSwapchainKHR old = renderer.swapchain;
    create_swapchain();
    cleanup_swapchain(old);
    depth_image_destroy(renderer.depth_image);
    renderer.depth_image = nullptr;
    create_render_pass();
    create_image_views();
    create_color_resources();
    create_depth_resources();
    create_framebuffer();
    create_command_buffers();
    // The new swapchain may have another number of images, each with its own render-finished semaphore.
    if (renderer.render_finished_semaphores != nullptr) {
        destroy_render_finished_semaphores();
        create_render_finished_semaphores();
    }
    record_command_buffers();
}

void window_size_callback(GLFWwindow*, int width, int height) {
    // Re-creating here would poll events inside a window callback, which the window library forbids.
    // The window extent stays that of the framebuffers until then: a scene load in between records
    // for the framebuffers it has.
    renderer.resized_width = width > 0 ? (u32)width : 1;
    renderer.resized_height = height > 0 ? (u32)height : 1;
    renderer.window_resized = true;
}

void deinit_renderer() {
    VkDevice device = renderer.device;
    // Nothing below may still be in use.
    vkDeviceWaitIdle(device);
    depth_image_destroy(renderer.depth_image);
    renderer.depth_image = nullptr;

    vkDestroyImage(device, renderer.shadow_image, nullptr);
    vkDestroyImageView(device, renderer.shadow_image_view, nullptr);
    vkDestroySampler(device, renderer.shadow_sampler, nullptr);
    vkDestroyFramebuffer(device, renderer.shadow_framebuffer, nullptr);
    vkFreeMemory(device, renderer.shadow_image_memory, nullptr);
    vkDestroyShaderModule(device, renderer.shadow_vertex_module, nullptr);
    vkDestroyPipeline(device, renderer.shadow_pipeline, nullptr);
    vkDestroyRenderPass(device, renderer.shadow_render_pass, nullptr);

    vkDestroyBuffer(device, renderer.light_uniform_buffer, nullptr);
    vkFreeMemory(device, renderer.light_uniform_memory, nullptr);
    for (VkDescriptorSetLayout layout : renderer.set_layouts) vkDestroyDescriptorSetLayout(device, layout, nullptr);
    vkDestroyDescriptorPool(device, renderer.descriptor_pool, nullptr);
    vkFreeMemory(device, renderer.scene_uniform_memory, nullptr);
    vkDestroyBuffer(device, renderer.scene_uniform_buffer, nullptr);
    vkFreeMemory(device, renderer.object_uniform_memory, nullptr);
    vkDestroyBuffer(device, renderer.object_uniform_buffer, nullptr);
    free(renderer.object_uniforms_host);
    renderer.object_uniforms_host = nullptr;

    vkDestroySemaphore(device, renderer.image_available_semaphore, nullptr);
    destroy_render_finished_semaphores();
    cleanup_swapchain(renderer.swapchain);
    renderer.swapchain = VK_NULL_HANDLE;
    vkDestroyCommandPool(device, renderer.command_pool, nullptr);
    vkDestroyShaderModule(device, renderer.main_vertex_module, nullptr);
    vkDestroyShaderModule(device, renderer.main_fragment_module, nullptr);
    if (renderer.main_pipeline != nullptr) pipeline_destroy(renderer.main_pipeline);
    renderer.main_pipeline = nullptr;
    vkDestroyDevice(device, nullptr);
    vkDestroySurfaceKHR(renderer.instance, renderer.surface, nullptr);
    vkDestroyInstance(renderer.instance, nullptr);
    fflush(stdout);
}

// ---------------------------------------------------------------------------------------------------
// Commands

void create_command_pool() {
    VkCommandPoolCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
    info.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    info.queueFamilyIndex = renderer.queue_family;
    vk_check(vkCreateCommandPool(renderer.device, &info, nullptr, &renderer.command_pool));
}

void create_command_buffers() {
    renderer.scene_command_buffers = (VkCommandBuffer*)vek_malloc(renderer.image_count * sizeof(VkCommandBuffer));
    VkCommandBufferAllocateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
    info.commandPool = renderer.command_pool;
    info.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    info.commandBufferCount = renderer.image_count;
    vk_check(vkAllocateCommandBuffers(renderer.device, &info, renderer.scene_command_buffers));
}

void init_renderer() {
    create_instance();
    discover_hardware();
    create_device();
    vkGetDeviceQueue(renderer.device, renderer.queue_family, 0, &renderer.queue);
    create_swapchain();
    create_image_views();
    create_render_pass();
    create_descriptor_set_layouts();
    create_descriptor_pool();
    create_offscreen_frame_buffer();
    create_shader_module("./shaders/vert.spv", Shader_Stage::Vertex, &renderer.main_vertex_module);
    create_shader_module("./shaders/frag.spv", Shader_Stage::Fragment, &renderer.main_fragment_module);
    renderer.main_pipeline = pipeline_init(renderer.main_vertex_module, renderer.main_fragment_module,
                                           renderer.window_width, renderer.window_height);
    pipeline_create(renderer.main_pipeline, renderer.device, renderer.main_render_pass);
    create_offscreen_pipeline();   // borrows the main pipeline's layout
    create_command_pool();
    create_color_resources();
    create_depth_resources();      // its layout change runs on the command pool
    create_framebuffer();
    create_command_buffers();
    create_uniform_buffer();
    create_global_descriptor_sets();
    create_semaphores();
}

static void create_semaphore(VkSemaphore* semaphore) {
    VkSemaphoreCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO;
    vk_check(vkCreateSemaphore(renderer.device, &info, nullptr, semaphore));
}

static void create_render_finished_semaphores() {
    renderer.render_finished_count = renderer.image_count;
    renderer.render_finished_semaphores = (VkSemaphore*)vek_malloc(renderer.image_count * sizeof(VkSemaphore));
    for (u32 i = 0; i < renderer.image_count; i++) create_semaphore(&renderer.render_finished_semaphores[i]);
}

static void destroy_render_finished_semaphores() {
    for (u32 i = 0; i < renderer.render_finished_count; i++)
        vkDestroySemaphore(renderer.device, renderer.render_finished_semaphores[i], nullptr);
    vek_free(renderer.render_finished_semaphores);
    renderer.render_finished_semaphores = nullptr;
    renderer.render_finished_count = 0;
}

void create_semaphores() {
    create_semaphore(&renderer.image_available_semaphore);
    // A present may still wait on an image's semaphore when the next frame signals; one per image
    // is free again once that image has been acquired anew.
    create_render_finished_semaphores();
}

static void set_viewport_and_scissor(VkCommandBuffer cb, VkExtent2D extent) {
    VkViewport viewport = {0.0f, 0.0f, (f32)extent.width, (f32)extent.height, 0.0f, 1.0f};
    vkCmdSetViewport(cb, 0, 1, &viewport);
    VkRect2D scissor = {{0, 0}, extent};
    vkCmdSetScissor(cb, 0, 1, &scissor);
}

void record_command_buffers() {
    VkPipelineLayout layout = renderer.main_pipeline->layout;
    VkExtent2D window_extent = {renderer.window_width, renderer.window_height};
    for (u32 i = 0; i < renderer.image_count; i++) {
        VkCommandBuffer cb = renderer.scene_command_buffers[i];
        vkResetCommandBuffer(cb, 0);
        VkCommandBufferBeginInfo begin = {};
        begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
        begin.flags = VK_COMMAND_BUFFER_USAGE_SIMULTANEOUS_USE_BIT;
        vk_check(vkBeginCommandBuffer(cb, &begin));

        // Shadow pass: every object's depth as the light sees it. Its render pass orders these writes
        // after the previous frame's reads and before this frame's main pass.
        VkClearValue shadow_clear = {};
        shadow_clear.depthStencil = {1.0f, 0};
        VkRenderPassBeginInfo shadow_pass = {};
        shadow_pass.sType = VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO;
        shadow_pass.renderPass = renderer.shadow_render_pass;
        shadow_pass.framebuffer = renderer.shadow_framebuffer;
        shadow_pass.renderArea = {{0, 0}, renderer.shadow_extent};
        shadow_pass.clearValueCount = 1;
        shadow_pass.pClearValues = &shadow_clear;
        vkCmdBeginRenderPass(cb, &shadow_pass, VK_SUBPASS_CONTENTS_INLINE);
        set_viewport_and_scissor(cb, renderer.shadow_extent);
        vkCmdSetDepthBias(cb, 1.25f, 0.0f, 1.75f);
        vkCmdBindPipeline(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, renderer.shadow_pipeline);
        vkCmdBindDescriptorSets(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, layout, 0, 1, &renderer.shadow_descriptor_set, 0,
                                nullptr);
        draw_objects(cb);
        vkCmdEndRenderPass(cb);

        // Main pass: background and depth cleared; the resolve target needs no clear value.
        VkClearValue clear_values[2] = {};
        clear_values[0].color = {{renderer.clear_color.r, renderer.clear_color.g, renderer.clear_color.b, 1.0f}};
        clear_values[1].depthStencil = {1.0f, 0};
        VkRenderPassBeginInfo pass = {};
        pass.sType = VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO;
        pass.renderPass = renderer.main_render_pass;
        pass.framebuffer = renderer.swapchain_framebuffers[i];
        pass.renderArea = {{0, 0}, window_extent};
        pass.clearValueCount = 2;
        pass.pClearValues = clear_values;
        vkCmdBeginRenderPass(cb, &pass, VK_SUBPASS_CONTENTS_INLINE);
        vkCmdBindPipeline(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, renderer.main_pipeline->pipeline);
        set_viewport_and_scissor(cb, window_extent);
        vkCmdBindDescriptorSets(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, layout, 0, 1, &renderer.scene_descriptor_set, 0,
                                nullptr);
        vkCmdBindDescriptorSets(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, layout, 1, 1, &renderer.empty_descriptor_set, 0,
                                nullptr);
        draw_objects(cb);
        vkCmdEndRenderPass(cb);

        vk_check(vkEndCommandBuffer(cb));
    }
}

void draw_objects(VkCommandBuffer cb) {
    VkPipelineLayout layout = renderer.main_pipeline->layout;
    // The k-th live object owns uniform slot k: the game's update numbers the slots by the same walk.
    u32 k = 0;
    bucket_array_for_each(&render_object_pool, [&](Transform* t) {
        u32 slot = k++;
        if (slot >= object_uniform_slot_count)
            panic("render object %u has no uniform slot: there are %u", slot, object_uniform_slot_count);
        // An object without a mesh on the GPU or a material set cannot be drawn; it keeps its slot.
        if (t->mesh == nullptr || t->mesh->index_buffer == VK_NULL_HANDLE || t->material == nullptr ||
            t->material->descriptor_set == VK_NULL_HANDLE)
            return;
        vkCmdBindDescriptorSets(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, layout, 2, 1, &t->material->descriptor_set, 0,
                                nullptr);
        u32 offset = (u32)(renderer.object_uniform_stride * slot);
        vkCmdBindDescriptorSets(cb, VK_PIPELINE_BIND_POINT_GRAPHICS, layout, 3, 1, &renderer.object_descriptor_set, 1,
                                &offset);
        VkDeviceSize vertex_offset = 0;
        vkCmdBindVertexBuffers(cb, 0, 1, &t->mesh->vertex_buffer, &vertex_offset);
        vkCmdBindIndexBuffer(cb, t->mesh->index_buffer, 0, VK_INDEX_TYPE_UINT32);
        vkCmdDrawIndexed(cb, t->mesh->indices.count, 1, 0, 0, 0);
    });
}

// Everything that follows the swapchain, the overlay layer included, made again for the window's
// current size.
static void rebuild_swapchain_and_overlay() {
    recreate_swapchain();   // waits for the device to be idle first
    deinit();
    init();
}

void draw_frame(f32 dt) {
    if (renderer.window_resized) rebuild_swapchain_and_overlay();
    VkDevice device = renderer.device;

    render_ui(dt);

    u32 image_index = 0;
    VkResult acquired = vkAcquireNextImageKHR(device, renderer.swapchain, UINT64_MAX,
                                              renderer.image_available_semaphore, VK_NULL_HANDLE, &image_index);
    // Out of date: no image was acquired and the semaphore stays unsignalled; this frame is dropped.
    if (acquired == VK_ERROR_OUT_OF_DATE_KHR) {
        rebuild_swapchain_and_overlay();
        return;
    }
    // Suboptimal: the image is ours and the semaphore will signal, so the frame goes on and the
    // swapchain is re-created after its present.
    if (acquired != VK_SUBOPTIMAL_KHR) vk_check(acquired);

    VkFence fence = overlay.overlay_fences[image_index];
    vk_check(vkWaitForFences(device, 1, &fence, VK_TRUE, UINT64_MAX));
    vk_check(vkResetFences(device, 1, &fence));
    record_cmd_buffer(image_index);

    VkCommandBuffer buffers[2] = {renderer.scene_command_buffers[image_index],
                                  overlay.overlay_command_buffers[image_index]};
    VkPipelineStageFlags wait_stage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    VkSemaphore render_finished = renderer.render_finished_semaphores[image_index];
    VkSubmitInfo submit = {};
    submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    submit.waitSemaphoreCount = 1;
    submit.pWaitSemaphores = &renderer.image_available_semaphore;
    submit.pWaitDstStageMask = &wait_stage;
    submit.commandBufferCount = 2;
    submit.pCommandBuffers = buffers;
    submit.signalSemaphoreCount = 1;
    submit.pSignalSemaphores = &render_finished;
    vk_check(vkQueueSubmit(renderer.queue, 1, &submit, fence));

    VkPresentInfoKHR present = {};
    present.sType = VK_STRUCTURE_TYPE_PRESENT_INFO_KHR;
    present.waitSemaphoreCount = 1;
    present.pWaitSemaphores = &render_finished;
    present.swapchainCount = 1;
    present.pSwapchains = &renderer.swapchain;
    present.pImageIndices = &image_index;
    VkResult presented = vkQueuePresentKHR(renderer.queue, &present);

    // The uniform buffers exist once and the next update rewrites them; the acquire semaphore is
    // reused by the next frame. Both are free once this frame's submission has finished.
    vk_check(vkWaitForFences(device, 1, &fence, VK_TRUE, UINT64_MAX));

    if (presented == VK_ERROR_OUT_OF_DATE_KHR || presented == VK_SUBOPTIMAL_KHR || acquired == VK_SUBOPTIMAL_KHR) {
        rebuild_swapchain_and_overlay();
        return;
    }
    vk_check(presented);
}

VkCommandBuffer begin_one_shot_commands(VkCommandPool pool) {
    VkCommandBufferAllocateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
    info.commandPool = pool;
    info.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    info.commandBufferCount = 1;
    VkCommandBuffer command_buffer;
    vk_check(vkAllocateCommandBuffers(renderer.device, &info, &command_buffer));
    VkCommandBufferBeginInfo begin = {};
    begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vk_check(vkBeginCommandBuffer(command_buffer, &begin));
    return command_buffer;
}

void end_one_shot_commands(VkCommandPool pool, VkQueue queue, VkCommandBuffer command_buffer) {
    vk_check(vkEndCommandBuffer(command_buffer));
    VkSubmitInfo submit = {};
    submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &command_buffer;
    vk_check(vkQueueSubmit(queue, 1, &submit, VK_NULL_HANDLE));
    vkQueueWaitIdle(queue);
    vkFreeCommandBuffers(renderer.device, pool, 1, &command_buffer);
}

// ---------------------------------------------------------------------------------------------------
// Buffers and images

static void allocate_memory(const VkMemoryRequirements* requirements, VkMemoryPropertyFlags properties,
                            VkDeviceMemory* memory) {
    VkMemoryAllocateInfo allocation = {};
    allocation.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
    allocation.allocationSize = requirements->size;
    allocation.memoryTypeIndex = find_memory_type_index(requirements->memoryTypeBits, properties);
    vk_check(vkAllocateMemory(renderer.device, &allocation, nullptr, memory));
}

void create_buffer(VkDeviceSize size, VkBufferUsageFlags usage, VkBuffer* buffer, VkMemoryPropertyFlags properties,
                   VkDeviceMemory* memory) {
    if (size == 0) panic("Cannot create buffer of size 0");
    VkBufferCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO;
    info.size = size;
    info.usage = usage;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    vk_check(vkCreateBuffer(renderer.device, &info, nullptr, buffer));

    VkMemoryRequirements requirements;
    vkGetBufferMemoryRequirements(renderer.device, *buffer, &requirements);
    allocate_memory(&requirements, properties, memory);
    vk_check(vkBindBufferMemory(renderer.device, *buffer, *memory, 0));
}

void create_staging_buffer(const void* data, VkDeviceSize size, VkBuffer* buffer, VkDeviceMemory* memory) {
    create_buffer(size, VK_BUFFER_USAGE_TRANSFER_SRC_BIT, buffer,
                  VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, memory);
    void* mapped;
    vk_check(vkMapMemory(renderer.device, *memory, 0, size, 0, &mapped));
    memcpy(mapped, data, size);
    vkUnmapMemory(renderer.device, *memory);
}

void create_and_upload_buffer(const void* data, u32 size, VkBufferUsageFlags usage, VkBuffer* buffer,
                              VkDeviceMemory* memory) {
    VkBuffer staging;
    VkDeviceMemory staging_memory;
    create_staging_buffer(data, size, &staging, &staging_memory);
    create_buffer(size, usage | VK_BUFFER_USAGE_TRANSFER_DST_BIT, buffer, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, memory);
    copy_buffer(staging, *buffer, size);
    vkDestroyBuffer(renderer.device, staging, nullptr);
    vkFreeMemory(renderer.device, staging_memory, nullptr);
}

void copy_buffer(VkBuffer source, VkBuffer destination, VkDeviceSize size) {
    VkCommandBuffer cb = begin_one_shot_commands(renderer.command_pool);
    VkBufferCopy region = {0, 0, size};
    vkCmdCopyBuffer(cb, source, destination, 1, &region);
    end_one_shot_commands(renderer.command_pool, renderer.queue, cb);
}

void create_image(u32 width, u32 height, VkFormat format, VkImageTiling tiling, VkImageUsageFlags usage,
                  VkMemoryPropertyFlags properties, VkSampleCountFlagBits samples, u32 mip_levels, VkImage* image,
                  VkDeviceMemory* memory) {
    VkImageCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO;
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = format;
    info.extent = {width, height, 1};
    info.mipLevels = mip_levels;
    info.arrayLayers = 1;
    info.samples = samples;
    info.tiling = tiling;
    info.usage = usage;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.initialLayout = VK_IMAGE_LAYOUT_PREINITIALIZED;
    vk_check(vkCreateImage(renderer.device, &info, nullptr, image));

    VkMemoryRequirements requirements;
    vkGetImageMemoryRequirements(renderer.device, *image, &requirements);
    allocate_memory(&requirements, properties, memory);
    vk_check(vkBindImageMemory(renderer.device, *image, *memory, 0));
}

void create_image_view(VkImage image, VkFormat format, VkImageAspectFlags aspect, VkImageView* view, u32 mip_levels) {
    VkImageViewCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO;
    info.image = image;
    info.viewType = VK_IMAGE_VIEW_TYPE_2D;
    info.format = format;
    info.subresourceRange = {aspect, 0, mip_levels, 0, 1};
    vk_check(vkCreateImageView(renderer.device, &info, nullptr, view));
}

void change_image_layout(VkCommandPool pool, VkQueue queue, VkImage image, VkFormat format, VkImageLayout old_layout,
                         VkImageLayout new_layout, u32 mip_levels) {
    VkAccessFlags src_access, dst_access;
    if (old_layout == VK_IMAGE_LAYOUT_PREINITIALIZED && new_layout == VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL) {
        src_access = VK_ACCESS_HOST_WRITE_BIT;
        dst_access = VK_ACCESS_TRANSFER_WRITE_BIT;
    } else if (old_layout == VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL && new_layout == VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL) {
        src_access = VK_ACCESS_TRANSFER_WRITE_BIT;
        dst_access = VK_ACCESS_SHADER_READ_BIT;
    } else if (old_layout == VK_IMAGE_LAYOUT_UNDEFINED && new_layout == VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL) {
        src_access = 0;
        dst_access = VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_READ_BIT | VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT;
    } else {
        panic("Layout transition not supported (I do not unserstand any of this.)");
    }

    VkImageAspectFlags aspect = VK_IMAGE_ASPECT_COLOR_BIT;
    if (new_layout == VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL) {
        aspect = VK_IMAGE_ASPECT_DEPTH_BIT;
        if (has_stencil_component(format)) aspect |= VK_IMAGE_ASPECT_STENCIL_BIT;
    }

    VkCommandBuffer cb = begin_one_shot_commands(pool);
    VkImageMemoryBarrier barrier = {};
    barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
    barrier.srcAccessMask = src_access;
    barrier.dstAccessMask = dst_access;
    barrier.oldLayout = old_layout;
    barrier.newLayout = new_layout;
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {aspect, 0, mip_levels, 0, 1};
    vkCmdPipelineBarrier(cb, VK_PIPELINE_STAGE_TRANSFER_BIT | VK_PIPELINE_STAGE_HOST_BIT,
                         VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0, 0, nullptr, 0, nullptr, 1, &barrier);
    end_one_shot_commands(pool, queue, cb);
}
