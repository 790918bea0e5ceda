// GPU test harness (see gpu_harness.h).
#include "gpu_harness.h"

#include <gtest/gtest.h>
#include <stb_image.h>
#include <time.h>
#include <unistd.h>

#include "image.h"
#include "mesh.h"

u32 swapchain_recreations = 0;

namespace {

const u32 frames_in_flight = 2;

// What the frame loop owns beside the renderer: per frame in flight an acquire semaphore and a fence,
// per swapchain image a render-finished semaphore and a command buffer that hands the image over to
// presentation (the overlay pass does that in the game).
struct Frame_Objects {
    VkCommandPool pool;
    VkSemaphore acquire[frames_in_flight];
    VkFence in_flight[frames_in_flight];
    u32 frame;
    std::vector<VkImage> images;
    std::vector<VkSemaphore> render_finished;
    std::vector<VkCommandBuffer> handover;
} frames;

void create_image_objects() {
    VkDevice device = renderer.device;
    u32 count = 0;
    vkGetSwapchainImagesKHR(device, renderer.swapchain, &count, nullptr);
    frames.images.resize(count);
    vk_check(vkGetSwapchainImagesKHR(device, renderer.swapchain, &count, frames.images.data()));
    frames.render_finished.resize(count);
    frames.handover.resize(count);
    VkSemaphoreCreateInfo semaphore_info = {};
    semaphore_info.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO;
    for (u32 i = 0; i < count; i++) vk_check(vkCreateSemaphore(device, &semaphore_info, nullptr, &frames.render_finished[i]));

    VkCommandBufferAllocateInfo allocate = {};
    allocate.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO;
    allocate.commandPool = frames.pool;
    allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocate.commandBufferCount = count;
    vk_check(vkAllocateCommandBuffers(device, &allocate, frames.handover.data()));
    for (u32 i = 0; i < count; i++) {
        VkCommandBuffer cb = frames.handover[i];
        VkCommandBufferBeginInfo begin = {};
        begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
        begin.flags = VK_COMMAND_BUFFER_USAGE_SIMULTANEOUS_USE_BIT;
        vk_check(vkBeginCommandBuffer(cb, &begin));
        VkImageMemoryBarrier barrier = {};
        barrier.sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER;
        barrier.srcAccessMask = VK_ACCESS_COLOR_ATTACHMENT_WRITE_BIT;
        barrier.dstAccessMask = 0;
        barrier.oldLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
        barrier.newLayout = VK_IMAGE_LAYOUT_PRESENT_SRC_KHR;
        barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
        barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
        barrier.image = frames.images[i];
        barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
        vkCmdPipelineBarrier(cb, VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT, VK_PIPELINE_STAGE_BOTTOM_OF_PIPE_BIT, 0,
                             0, nullptr, 0, nullptr, 1, &barrier);
        vk_check(vkEndCommandBuffer(cb));
    }
}

void destroy_image_objects() {
    for (VkSemaphore semaphore : frames.render_finished) vkDestroySemaphore(renderer.device, semaphore, nullptr);
    vkFreeCommandBuffers(renderer.device, frames.pool, (u32)frames.handover.size(), frames.handover.data());
    frames.render_finished.clear();
    frames.handover.clear();
    frames.images.clear();
}

void recreate() {
    recreate_swapchain();   // waits for the device to be idle before it destroys anything
    destroy_image_objects();
    create_image_objects();
    swapchain_recreations++;
}

class Renderer_Environment : public testing::Environment {
public:
    void SetUp() override {
        // Frame synchronisation is checked too, not only API use.
        setenv("VK_LAYER_ENABLES", "VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT", 0);
        init_printer();
        ASSERT_NE(getenv("DISPLAY"), nullptr) << "the renderer tests need an X display";
        ASSERT_TRUE(glfwInit());
        glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
        GLFWwindow* window = glfwCreateWindow(1600, 900, "morvu", nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        glfwSetWindowSizeCallback(window, window_size_callback);
        renderer.window = window;

        // The renderer's whole start-up: recording the scene buffers needs its pipelines and sets.
        double start = seconds_now();
        init_renderer();
        printf("renderer bring-up took %.1f ms\n", (seconds_now() - start) * 1000.0);

        VkCommandPoolCreateInfo pool_info = {};
        pool_info.sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO;
        pool_info.queueFamilyIndex = renderer.queue_family;
        vk_check(vkCreateCommandPool(renderer.device, &pool_info, nullptr, &frames.pool));
        VkSemaphoreCreateInfo semaphore_info = {};
        semaphore_info.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO;
        VkFenceCreateInfo fence_info = {};
        fence_info.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
        fence_info.flags = VK_FENCE_CREATE_SIGNALED_BIT;
        for (u32 i = 0; i < frames_in_flight; i++) {
            vk_check(vkCreateSemaphore(renderer.device, &semaphore_info, nullptr, &frames.acquire[i]));
            vk_check(vkCreateFence(renderer.device, &fence_info, nullptr, &frames.in_flight[i]));
        }
        create_image_objects();

        bucket_array_init(&mesh_pool);
        bucket_array_init(&material_pool);
    }

    void TearDown() override {
        if (renderer.device == VK_NULL_HANDLE) return;
        vkDeviceWaitIdle(renderer.device);
        destroy_image_objects();
        for (u32 i = 0; i < frames_in_flight; i++) {
            vkDestroySemaphore(renderer.device, frames.acquire[i], nullptr);
            vkDestroyFence(renderer.device, frames.in_flight[i], nullptr);
        }
        vkDestroyCommandPool(renderer.device, frames.pool, nullptr);
        // Anything still alive here is reported by the validation layer when the device goes.
        deinit_renderer();
        glfwDestroyWindow(renderer.window);
        glfwTerminate();
    }
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Renderer_Environment);

}  // namespace

void present_frame() {
    if (renderer.window_resized) recreate();
    VkDevice device = renderer.device;
    u32 f = frames.frame;
    vk_check(vkWaitForFences(device, 1, &frames.in_flight[f], VK_TRUE, UINT64_MAX));

    u32 image_index = 0;
    VkResult acquired = vkAcquireNextImageKHR(device, renderer.swapchain, UINT64_MAX, frames.acquire[f],
                                              VK_NULL_HANDLE, &image_index);
    if (acquired == VK_ERROR_OUT_OF_DATE_KHR) {
        recreate();
        return;
    }
    if (acquired != VK_SUBOPTIMAL_KHR) vk_check(acquired);
    vk_check(vkResetFences(device, 1, &frames.in_flight[f]));

    VkCommandBuffer buffers[2] = {renderer.scene_command_buffers[image_index], frames.handover[image_index]};
    VkPipelineStageFlags wait_stage = VK_PIPELINE_STAGE_COLOR_ATTACHMENT_OUTPUT_BIT;
    VkSubmitInfo submit = {};
    submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    submit.waitSemaphoreCount = 1;
    submit.pWaitSemaphores = &frames.acquire[f];
    submit.pWaitDstStageMask = &wait_stage;
    submit.commandBufferCount = 2;
    submit.pCommandBuffers = buffers;
    submit.signalSemaphoreCount = 1;
    submit.pSignalSemaphores = &frames.render_finished[image_index];
    vk_check(vkQueueSubmit(renderer.queue, 1, &submit, frames.in_flight[f]));

    VkPresentInfoKHR present = {};
    present.sType = VK_STRUCTURE_TYPE_PRESENT_INFO_KHR;
    present.waitSemaphoreCount = 1;
    present.pWaitSemaphores = &frames.render_finished[image_index];
    present.swapchainCount = 1;
    present.pSwapchains = &renderer.swapchain;
    present.pImageIndices = &image_index;
    VkResult presented = vkQueuePresentKHR(renderer.queue, &present);
    frames.frame = (f + 1) % frames_in_flight;
    if (presented == VK_ERROR_OUT_OF_DATE_KHR || presented == VK_SUBOPTIMAL_KHR || acquired == VK_SUBOPTIMAL_KHR) {
        recreate();
        return;
    }
    vk_check(presented);
}

Window_Geometry window_geometry() {
    std::string ids = run_command("xdotool search --name '^morvu$'");
    std::string shell = run_command("xdotool getwindowgeometry --shell " + ids.substr(0, ids.find('\n')));
    // Lines of NAME=value.
    auto field = [&](const std::string& name) {
        size_t at = ("\n" + shell).find("\n" + name + "=");
        return at == std::string::npos ? -1L : strtol(shell.c_str() + at + name.size() + 1, nullptr, 10);
    };
    return {(s32)field("X"), (s32)field("Y"), (u32)field("WIDTH"), (u32)field("HEIGHT")};
}

Screenshot take_screenshot() {
    Screenshot shot;
    std::string path = "/tmp/morvu_render_test_" + std::to_string(getpid()) + ".png";
    run_command("import -window root png:" + path + " 2>&1");
    int w = 0, h = 0, channels = 0;
    u8* pixels = stbi_load(path.c_str(), &w, &h, &channels, 3);
    remove(path.c_str());
    if (!pixels) return shot;
    shot.width = (u32)w;
    shot.height = (u32)h;
    shot.rgb.assign(pixels, pixels + (size_t)w * h * 3);
    stbi_image_free(pixels);
    return shot;
}

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
