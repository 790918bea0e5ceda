// Device choice and the settings derived from what a device offers; result names; mip counts.
#include <gtest/gtest.h>

#include "image.h"
#include "vkinter.h"

namespace {

const Device_Candidate integrated = {VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU, 0, true};
const Device_Candidate discrete = {VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU, 0, true};
const Device_Candidate cpu = {VK_PHYSICAL_DEVICE_TYPE_CPU, 0, true};
const Device_Candidate mute_discrete = {VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU, 1, false};
const Device_Candidate mute_integrated = {VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU, 0, false};

TEST(VulkanDeviceChoice, DiscreteFirstThenFirstThatPresents) {
    Device_Candidate one[] = {integrated};
    EXPECT_EQ(choose_device_index(one, 1), 0);
    Device_Candidate integrated_then_discrete[] = {integrated, discrete};
    EXPECT_EQ(choose_device_index(integrated_then_discrete, 2), 1);
    Device_Candidate two_discrete[] = {cpu, discrete, discrete};
    EXPECT_EQ(choose_device_index(two_discrete, 3), 1);
    // Without a discrete GPU the first device that can present wins, not the last one listed.
    Device_Candidate integrated_then_cpu[] = {integrated, cpu};
    EXPECT_EQ(choose_device_index(integrated_then_cpu, 2), 0);
    // A device that cannot present is never chosen, however good it is.
    Device_Candidate mute_first[] = {mute_discrete, mute_integrated, cpu};
    EXPECT_EQ(choose_device_index(mute_first, 3), 2);
    Device_Candidate none[] = {mute_discrete, mute_integrated};
    EXPECT_EQ(choose_device_index(none, 2), -1);
    EXPECT_EQ(choose_device_index(nullptr, 0), -1);
}

TEST(VulkanDeviceChoice, QueueFamilyNeedsGraphicsAndCompute) {
    VkQueueFamilyProperties families[3] = {};
    families[0].queueFlags = VK_QUEUE_GRAPHICS_BIT;
    families[1].queueFlags = VK_QUEUE_COMPUTE_BIT | VK_QUEUE_TRANSFER_BIT;
    families[2].queueFlags = VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT | VK_QUEUE_TRANSFER_BIT;
    EXPECT_EQ(find_queue_family_index(families, 3), 2u);
    EXPECT_EQ(find_queue_family_index(families, 2), 0xFFFFFFFFu);
}

TEST(VulkanDeviceSettings, SampleCountIsTheHighestSharedUpToEight) {
    EXPECT_EQ(choose_msaa_samples(1 | 2 | 4), VK_SAMPLE_COUNT_4_BIT);
    EXPECT_EQ(choose_msaa_samples(1 | 2 | 4 | 8 | 16 | 32 | 64), VK_SAMPLE_COUNT_8_BIT);
    EXPECT_EQ(choose_msaa_samples(1 | 2), VK_SAMPLE_COUNT_2_BIT);
    EXPECT_EQ(choose_msaa_samples(1 | 16), VK_SAMPLE_COUNT_1_BIT);
    EXPECT_EQ(choose_msaa_samples(0), VK_SAMPLE_COUNT_1_BIT);
}

TEST(VulkanDeviceSettings, SurfaceFormatPrefersUnormWithSrgbSpace) {
    VkSurfaceFormatKHR lavapipe[] = {{VK_FORMAT_B8G8R8A8_SRGB, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR},
                                     {VK_FORMAT_B8G8R8A8_UNORM, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR}};
    EXPECT_EQ(choose_surface_format(lavapipe, 2).format, VK_FORMAT_B8G8R8A8_UNORM);
    VkSurfaceFormatKHR other[] = {{VK_FORMAT_R8G8B8A8_SRGB, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR},
                                  {VK_FORMAT_B8G8R8A8_UNORM, VK_COLOR_SPACE_DISPLAY_P3_NONLINEAR_EXT}};
    EXPECT_EQ(choose_surface_format(other, 2).format, VK_FORMAT_R8G8B8A8_SRGB);
}

TEST(VulkanDeviceSettings, SwapchainExtentFollowsTheSurface) {
    VkSurfaceCapabilitiesKHR caps = {};
    caps.currentExtent = {1280, 720};
    caps.minImageExtent = {1, 1};
    caps.maxImageExtent = {4096, 4096};
    VkExtent2D extent = choose_swapchain_extent(&caps, 1600, 900);
    EXPECT_EQ(extent.width, 1280u);
    EXPECT_EQ(extent.height, 720u);
    // A surface that leaves the size to the swapchain: the wanted size within its limits.
    caps.currentExtent = {0xFFFFFFFF, 0xFFFFFFFF};
    caps.minImageExtent = {200, 100};
    caps.maxImageExtent = {1500, 1000};
    extent = choose_swapchain_extent(&caps, 1600, 50);
    EXPECT_EQ(extent.width, 1500u);
    EXPECT_EQ(extent.height, 100u);
}

TEST(VulkanResultNames, NamedAndUnknownCodes) {
    EXPECT_STREQ(vk_result_to_string(VK_SUCCESS), "VK_SUCCESS");
    EXPECT_STREQ(vk_result_to_string(VK_INCOMPLETE), "VK_INCOMPLETE");
    EXPECT_STREQ(vk_result_to_string(VK_SUBOPTIMAL_KHR), "VK_SUBOPTIMAL_KHR");
    EXPECT_STREQ(vk_result_to_string(VK_ERROR_OUT_OF_DATE_KHR), "VK_ERROR_OUT_OF_DATE_KHR");
    EXPECT_STREQ(vk_result_to_string(VK_PIPELINE_COMPILE_REQUIRED_EXT), "VK_PIPELINE_COMPILE_REQUIRED_EXT");
    EXPECT_STREQ(vk_result_to_string(VK_ERROR_NOT_PERMITTED_EXT), "VK_ERROR_NOT_PERMITTED_EXT");
    EXPECT_STREQ(vk_result_to_string((VkResult)-14), "unknown error");
    EXPECT_STREQ(vk_result_to_string((VkResult)6), "unknown error");
}

TEST(TextureMipLevels, LogOfTheLongerSidePlusOne) {
    EXPECT_EQ(mip_level_count(1, 1), 1u);
    EXPECT_EQ(mip_level_count(1024, 512), 11u);
    EXPECT_EQ(mip_level_count(1000, 600), 10u);
    EXPECT_EQ(mip_level_count(3, 4096), 13u);
    EXPECT_EQ(mip_level_count(16384, 16384), 15u);
}

}  // namespace
