// imgui_inter: the interface overlay layer (see imgui_inter.h).
#include "imgui_inter.h"

#include <GLFW/glfw3.h>
#include <imgui.h>

#include "imgui/imgui_impl_glfw.h"
#include "imgui/imgui_impl_vulkan.h"

Overlay_Image overlay_image = Overlay_Image::Wasd;
f32 overlay_alpha = 0.0f;
Overlay_Globals overlay;

namespace {

enum class Placement { Bottom_Right, Centred };

// How one picture is shown. The picture height is a product of the window height (computed in double
// precision) or a fraction of it (single precision); the margin is a fraction of it.
struct Overlay_Window {
    const char* path;
    const char* title;
    f64 height_product;    // h = H * height_product when not 0
    f32 height_divisor;    // else h = H / height_divisor
    f32 margin_divisor;    // m = H / margin_divisor; 0 for no margin
    Placement placement;
};

// Entry id - 1.
const Overlay_Window overlay_windows[overlay_picture_count] = {
    {"textures/overlays/loading.png", "loading image window", 0.06, 0, 20, Placement::Bottom_Right},
    {"textures/overlays/logo.png", "logo image window", 0.76, 0, 0, Placement::Centred},
    {"textures/overlays/u3.png", "u image window", 0, 12, 12, Placement::Bottom_Right},
    {"textures/overlays/arrow_keys.png", "wasd image window", 0, 6, 12, Placement::Bottom_Right},
    {"textures/overlays/space_arrow_keys.png", "space wasd image window", 0, 6, 12, Placement::Bottom_Right},
    {"textures/overlays/red_tooltip.png", "red tooltip image window", 0.25, 0, 30, Placement::Bottom_Right},
    {"textures/overlays/blue_tooltip.png", "blue tooltip image window", 0.25, 0, 30, Placement::Bottom_Right},
    {"textures/overlays/black_tooltip.png", "black tooltip image window", 0.25, 0, 30, Placement::Bottom_Right},
    {"textures/overlays/grey_tooltip.png", "grey tooltip image window", 0.25, 0, 30, Placement::Bottom_Right},
    {"textures/overlays/white_tooltip.png", "white tooltip image window", 0.25, 0, 30, Placement::Bottom_Right},
    {"textures/overlays/purple_tooltip.png", "purple tooltip image window", 0.25, 0, 30, Placement::Bottom_Right},
    {"textures/overlays/yellow_tooltip.png", "yellow tooltip image window", 0.25, 0, 30, Placement::Bottom_Right},
};

// The GUI's Vulkan back-end needs at least two images for its ring of draw buffers; a single-image
// swapchain still gets two ring entries.
u32 back_end_image_count(u32 image_count) { return image_count < 2 ? 2 : image_count; }

// One borderless, backgroundless window holding the picture of `id` at its place for this window size.
void draw_picture_window(u32 id) {
    const Overlay_Window* window = &overlay_windows[id - 1];
    const Image* picture = &overlay.overlay_images[id - 1];
    f32 W = (f32)renderer.window_width;
    f32 H = (f32)renderer.window_height;
    f32 h = window->height_product != 0 ? (f32)(window->height_product * (f64)H) : H / window->height_divisor;
    f32 m = window->margin_divisor != 0 ? H / window->margin_divisor : 0.0f;
    f32 aspect = (f32)picture->width / (f32)picture->height;
    f32 w = aspect * h;

    ImVec2 position;
    if (window->placement == Placement::Centred) position = ImVec2((W - w) * 0.5f, (H - h) * 0.5f);
    else position = ImVec2(W - w - m, H - h - m);

    ImGui::SetNextWindowPos(position, ImGuiCond_None, ImVec2(0, 0));
    ImGui::SetNextWindowContentSize(ImVec2(w, h));
    ImGui::Begin(window->title, nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoScrollbar |
                     ImGuiWindowFlags_NoBackground);
    ImGui::Image((ImTextureID)overlay.overlay_textures[id - 1], ImVec2(w, h), ImVec2(0, 0), ImVec2(1, 1),
                 ImVec4(1, 1, 1, 1), ImVec4(0, 0, 0, 0));
    ImGui::End();
}

}  // namespace

void init() {
    VkDevice device = renderer.device;
    u32 count = renderer.image_count;

    // The GUI library: a fresh context that reads and writes no settings file.
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;
    ImGui::StyleColorsDark();

    VkCommandPoolCreateInfo pool_info = {};
    pool_info.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
    pool_info.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pool_info.queueFamilyIndex = renderer.queue_family;
    vk_check(vkCreateCommandPool(device, &pool_info, nullptr, &overlay.overlay_command_pool));

    overlay.overlay_image_count = count;
    overlay.overlay_command_buffers = (VkCommandBuffer*)vek_malloc(count * sizeof(VkCommandBuffer));
    VkCommandBufferAllocateInfo buffers_info = {};
    buffers_info.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
    buffers_info.commandPool = overlay.overlay_command_pool;
    buffers_info.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    buffers_info.commandBufferCount = count;
    vk_check(vkAllocateCommandBuffers(device, &buffers_info, overlay.overlay_command_buffers));

    // The pass takes the finished scene image as it is and leaves it ready to present.
    VkAttachmentDescription attachment = {};
    attachment.format = renderer.surface_format;
    attachment.samples = VK_SAMPLE_COUNT_1_BIT;
    attachment.loadOp = VK_ATTACHMENT_LOAD_OP_LOAD;
    attachment.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    attachment.stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    attachment.stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    attachment.initialLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
    attachment.finalLayout = VK_IMAGE_LAYOUT_PRESENT_SRC_KHR;
    VkAttachmentReference color_ref = {0, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL};
    VkSubpassDescription subpass = {};
    subpass.pipelineBindPoint = VK_PIPELINE_BIND_POINT_GRAPHICS;
    subpass.colorAttachmentCount = 1;
    subpass.pColorAttachments = &color_ref;
    // The load reads what the scene pass wrote just before: wait for those writes, for reads as well.
    VkSubpassDependency dependency = {};
    dependency.srcSubpass = VK_SUBPASS_EXTERNAL;
    dependency.dstSubpass = 0;
    dependency.srcStageMask = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    dependency.dstStageMask = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    dependency.srcAccessMask = VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
    dependency.dstAccessMask = VK_ACCESS_COLOR_ATTACHMENT_READ_BIT | VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
    VkRenderPassCreateInfo pass_info = {};
    pass_info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_CREATE_INFO;
    pass_info.attachmentCount = 1;
    pass_info.pAttachments = &attachment;
    pass_info.subpassCount = 1;
    pass_info.pSubpasses = &subpass;
    pass_info.dependencyCount = 1;
    pass_info.pDependencies = &dependency;
    vk_check(vkCreateRenderPass(device, &pass_info, nullptr, &overlay.overlay_render_pass));

    overlay.overlay_framebuffers = (VkFramebuffer*)vek_malloc(count * sizeof(VkFramebuffer));
    for (u32 i = 0; i < count; i++) {
        VkFramebufferCreateInfo info = {};
        info.sType = VK_STRUCTURE_TYPE_FRAMEBUFFER_CREATE_INFO;
        info.renderPass = overlay.overlay_render_pass;
        info.attachmentCount = 1;
        info.pAttachments = &renderer.swapchain_image_views[i];
        info.width = renderer.window_width;
        info.height = renderer.window_height;
        info.layers = 1;
        vk_check(vkCreateFramebuffer(device, &info, nullptr, &overlay.overlay_framebuffers[i]));
    }

    // Signalled, so the first frame of each image does not wait.
    overlay.overlay_fences = (VkFence*)vek_malloc(count * sizeof(VkFence));
    for (u32 i = 0; i < count; i++) {
        VkFenceCreateInfo info = {};
        info.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
        info.flags = VK_FENCE_CREATE_SIGNALED_BIT;
        vk_check(vkCreateFence(device, &info, nullptr, &overlay.overlay_fences[i]));
    }

    const VkDescriptorType types[] = {
        VK_DESCRIPTOR_TYPE_SAMPLER,
        VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER,
        VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE,
        VK_DESCRIPTOR_TYPE_STORAGE_IMAGE,
        VK_DESCRIPTOR_TYPE_UNIFORM_TEXEL_BUFFER,
        VK_DESCRIPTOR_TYPE_STORAGE_TEXEL_BUFFER,
        VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER,
        VK_DESCRIPTOR_TYPE_STORAGE_BUFFER,
        VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC,
        VK_DESCRIPTOR_TYPE_STORAGE_BUFFER_DYNAMIC,
        VK_DESCRIPTOR_TYPE_INPUT_ATTACHMENT,
    };
    const u32 type_count = sizeof(types) / sizeof(types[0]);
    VkDescriptorPoolSize pool_sizes[type_count];
    for (u32 i = 0; i < type_count; i++) pool_sizes[i] = {types[i], 1000};
    VkDescriptorPoolCreateInfo descriptor_pool_info = {};
    descriptor_pool_info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO;
    descriptor_pool_info.flags = VK_DESCRIPTOR_POOL_CREATE_FREE_DESCRIPTOR_SET_BIT;
    descriptor_pool_info.maxSets = 1000 * type_count;
    descriptor_pool_info.poolSizeCount = type_count;
    descriptor_pool_info.pPoolSizes = pool_sizes;
    vk_check(vkCreateDescriptorPool(device, &descriptor_pool_info, nullptr, &overlay.overlay_descriptor_pool));

    // The GUI chains its input callbacks in front of the game's, which keep receiving every event.
    ImGui_ImplGlfw_InitForVulkan(renderer.window, true);

    // Failures inside the back-end end the program like the renderer's own.
    auto check_vk_result = [](VkResult result) { vk_check(result); };
    ImGui_ImplVulkan_InitInfo info = {};
    info.Instance = renderer.instance;
    info.PhysicalDevice = renderer.physical_device;
    info.Device = device;
    info.QueueFamily = renderer.queue_family;
    info.Queue = renderer.queue;
    info.PipelineCache = VK_NULL_HANDLE;
    info.DescriptorPool = overlay.overlay_descriptor_pool;
    info.Subpass = 0;
    info.MinImageCount = back_end_image_count(count);
    info.ImageCount = back_end_image_count(count);
    info.MSAASamples = VK_SAMPLE_COUNT_1_BIT;
    info.Allocator = nullptr;
    info.CheckVkResultFn = check_vk_result;
    ImGui_ImplVulkan_Init(&info, overlay.overlay_render_pass);

    // The font atlas, uploaded at once. Its upload buffer stays until the back-end shuts down.
    VkCommandBufferAllocateInfo upload_info = buffers_info;
    upload_info.commandBufferCount = 1;
    VkCommandBuffer upload;
    vk_check(vkAllocateCommandBuffers(device, &upload_info, &upload));
    VkCommandBufferBeginInfo begin = {};
    begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vk_check(vkBeginCommandBuffer(upload, &begin));
    ImGui_ImplVulkan_CreateFontsTexture(upload);
    vkEndCommandBuffer(upload);
    VkSubmitInfo submit = {};
    submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &upload;
    vk_check(vkQueueSubmit(renderer.queue, 1, &submit, VK_NULL_HANDLE));
    vkQueueWaitIdle(renderer.queue);
    vkFreeCommandBuffers(device, overlay.overlay_command_pool, 1, &upload);

    for (u32 i = 0; i < overlay_picture_count; i++) image_load(&overlay.overlay_images[i], overlay_windows[i].path);
    for (u32 i = 0; i < overlay_picture_count; i++)
        upload_ui_image(&overlay.overlay_images[i], overlay.overlay_command_pool, renderer.queue);
    for (u32 i = 0; i < overlay_picture_count; i++) {
        const Image* picture = &overlay.overlay_images[i];
        overlay.overlay_textures[i] = ImGui_ImplVulkan_RegisterTexture(picture->sampler, picture->view, picture->layout);
    }

    ImGui_ImplGlfw_UpdateDisplaySize();
}

void deinit() {
    VkDevice device = renderer.device;
    u32 count = overlay.overlay_image_count;

    vkFreeCommandBuffers(device, overlay.overlay_command_pool, count, overlay.overlay_command_buffers);
    vek_free(overlay.overlay_command_buffers);
    overlay.overlay_command_buffers = nullptr;
    for (u32 i = 0; i < count; i++) {
        vkDestroyFramebuffer(device, overlay.overlay_framebuffers[i], nullptr);
        vkDestroyFence(device, overlay.overlay_fences[i], nullptr);
    }
    vek_free(overlay.overlay_framebuffers);
    vek_free(overlay.overlay_fences);
    overlay.overlay_framebuffers = nullptr;
    overlay.overlay_fences = nullptr;
    overlay.overlay_image_count = 0;

    // The descriptor pool takes the font's and the pictures' sets with it.
    vkDestroyRenderPass(device, overlay.overlay_render_pass, nullptr);
    vkDestroyCommandPool(device, overlay.overlay_command_pool, nullptr);
    vkDestroyDescriptorPool(device, overlay.overlay_descriptor_pool, nullptr);
    overlay.overlay_render_pass = VK_NULL_HANDLE;
    overlay.overlay_command_pool = VK_NULL_HANDLE;
    overlay.overlay_descriptor_pool = VK_NULL_HANDLE;

    ImGui_ImplVulkan_Shutdown();
    ImGui_ImplGlfw_Shutdown();   // gives the game its own callbacks back
    ImGui::DestroyContext();

    for (u32 i = 0; i < overlay_picture_count; i++) {
        image_destroy(&overlay.overlay_images[i]);
        overlay.overlay_textures[i] = VK_NULL_HANDLE;
    }
}

void render_ui(f32 dt) {
    ImGui_ImplVulkan_NewFrame();
    ImGui_ImplGlfw_NewFrame(dt);
    ImGui::NewFrame();

    u32 id = (u32)overlay_image;
    if (id == 0) {
        ImGui::Render();
        return;
    }

    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_Alpha, overlay_alpha);
    if (id > overlay_picture_count) panic("Unknown overlay image (ID: %d)!", id);
    if (id == (u32)Overlay_Image::Loading) {
        // The loading picture comes with the logo.
        draw_picture_window((u32)Overlay_Image::Loading);
        draw_picture_window((u32)Overlay_Image::Logo);
    } else {
        draw_picture_window(id);
    }
    ImGui::PopStyleVar(1);
    ImGui::PopStyleVar(1);
    ImGui::PopStyleVar(1);

    ImGui::Render();
}

void record_cmd_buffer(u32 image_index) {
    VkCommandBuffer cb = overlay.overlay_command_buffers[image_index];
    vk_check(vkResetCommandBuffer(cb, 0));
    VkCommandBufferBeginInfo begin = {};
    begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vk_check(vkBeginCommandBuffer(cb, &begin));

    // The clear value is never used: the attachment loads.
    VkClearValue clear = {};
    VkRenderPassBeginInfo pass = {};
    pass.sType = VK_STRUCTURE_TYPE_RENDER_PASS_BEGIN_INFO;
    pass.renderPass = overlay.overlay_render_pass;
    pass.framebuffer = overlay.overlay_framebuffers[image_index];
    pass.renderArea = {{0, 0}, {renderer.window_width, renderer.window_height}};
    pass.clearValueCount = 1;
    pass.pClearValues = &clear;
    vkCmdBeginRenderPass(cb, &pass, VK_SUBPASS_CONTENTS_INLINE);
    // A layer rebuilt since the last render_ui has no frame yet; the pass still hands the image on.
    ImDrawData* draw_data = ImGui::GetDrawData();
    if (draw_data != nullptr) ImGui_ImplVulkan_RenderDrawData(draw_data, cb, VK_NULL_HANDLE);
    vkCmdEndRenderPass(cb);
    vk_check(vkEndCommandBuffer(cb));
}

void refresh_ui(u32 min_image_count) {
    ImGui_ImplGlfw_UpdateDisplaySize();
    ImGui_ImplVulkan_SetMinImageCount(back_end_image_count(min_image_count));
    render_ui(0.0f);
}
