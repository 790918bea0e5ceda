// imgui_inter: the interface overlay layer. Draws one help picture, chosen by `overlay_image` and faded
// by `overlay_alpha`, through the GUI library in its own render pass over the finished scene image,
// which it hands on in the present layout.
#pragma once

#include "image.h"
#include "vkinter.h"

// Id of the picture the overlay shows.
enum class Overlay_Image : u32 {
    None = 0,
    Loading = 1,   // shown together with the logo
    Logo = 2,
    U = 3,
    Wasd = 4,
    Space_Wasd = 5,
    Red_Tooltip = 6,
    Blue_Tooltip = 7,
    Black_Tooltip = 8,
    Grey_Tooltip = 9,
    White_Tooltip = 10,
    Purple_Tooltip = 11,
    Yellow_Tooltip = 12,
};

const u32 overlay_picture_count = 12;

// Written by the scene and help code, read once per frame by render_ui.
extern Overlay_Image overlay_image;
extern f32 overlay_alpha;   // not clamped

struct Overlay_Globals {
    VkDescriptorPool overlay_descriptor_pool;   // the font atlas's and the pictures' sets
    VkRenderPass overlay_render_pass;
    VkCommandPool overlay_command_pool;         // also lends the one-shot upload buffers
    // One entry per swapchain image (as many as when init ran), indexed by swapchain image index.
    VkCommandBuffer* overlay_command_buffers;
    VkFramebuffer* overlay_framebuffers;
    VkFence* overlay_fences;                    // created signalled
    u32 overlay_image_count;
    Image overlay_images[overlay_picture_count];            // entry id - 1
    VkDescriptorSet overlay_textures[overlay_picture_count];  // the GUI texture ids, entry id - 1
};

extern Overlay_Globals overlay;

// Builds the layer on the current swapchain; the renderer must be up. Rebuilding is deinit then init.
void init();
// Releases everything init made. The GPU must be idle (a swapchain re-creation leaves it so).
void deinit();
// Builds this frame's GUI draw data for `overlay_image`; dt is not used by the GUI.
void render_ui(f32 dt);
// Records entry image_index of `overlay_command_buffers` from the frame last built by render_ui. The
// submission that last used that entry must have finished (its fence in `overlay_fences`).
void record_cmd_buffer(u32 image_index);
// Display size from the window, the back-end's minimum image count, and a fresh GUI frame.
void refresh_ui(u32 min_image_count);
