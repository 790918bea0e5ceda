// pipeline: what the shaders see and run in: shader modules, the main graphics pipeline built from a
// `Pipeline` record of create-info pieces, the shadow map with its render pass and depth-only pipeline,
// and the shader interface: descriptor-set layouts, the descriptor pool and sets, and the three uniform
// buffers with their host copies.
#pragma once

#include "vek/str.h"
#include "vkinter.h"

struct Material;

// Every fixed-function piece of one pipeline. The pieces point at one another inside the record, so a
// record must stay where pipeline_init allocated it.
struct Pipeline {
    bool initialized;
    bool created;
    VkPipelineLayout layout;
    VkDevice device;
    VkPipeline pipeline;
    VkPipelineShaderStageCreateInfo shader_stages[2];
    VkPipelineVertexInputStateCreateInfo vertex_input_info;
    VkVertexInputBindingDescription vertex_binding;
    Array_List<VkVertexInputAttributeDescription> vertex_attributes;
    VkPipelineInputAssemblyStateCreateInfo input_assembly;
    VkViewport viewport;
    VkRect2D scissor;
    VkPipelineViewportStateCreateInfo viewport_state;
    VkPipelineRasterizationStateCreateInfo rasterizer;
    VkPipelineMultisampleStateCreateInfo multisampling;
    VkPipelineColorBlendAttachmentState color_blend_attachment;
    VkPipelineDepthStencilStateCreateInfo depth_stencil;
    VkPipelineColorBlendStateCreateInfo color_blending;
    Array_List<VkDynamicState> dynamic_states;
    VkPipelineDynamicStateCreateInfo dynamic_state;
    VkPushConstantRange push_constant_range;
};

// ---------------------------------------------------------------------------------------------------
// Shader modules and the main pipeline

// The stage a shader module is loaded for; the values are SPIR-V's execution models.
enum class Shader_Stage : u32 {
    Vertex = 0,
    Fragment = 4,
};

// Reads a compiled SPIR-V file and makes a module of it. A missing, empty or malformed file, or one
// made for another stage, is a panic naming the file.
void create_shader_module(const char* path, Shader_Stage stage, VkShaderModule* out);
// Panics naming `path` unless `code` is a SPIR-V module whose instruction stream stays inside its
// bytes and that has an entry point named "main" for `stage`.
void check_spirv(const Str* code, const char* path, Shader_Stage stage);

// A new record with the renderer's defaults; makes no Vulkan call. The size sets the static viewport,
// which the dynamic viewport of every pass replaces.
Pipeline* pipeline_init(VkShaderModule vertex_module, VkShaderModule fragment_module, u32 width, u32 height);
// The pipeline layout (the four set layouts and the unused push-constant range) and the pipeline.
void pipeline_create(Pipeline* pipeline, VkDevice device, VkRenderPass render_pass);
void pipeline_destroy(Pipeline* pipeline);
// Both main shader modules and `main_pipeline`; the same steps stand in init_renderer.
void create_main_pipeline();

// ---------------------------------------------------------------------------------------------------
// Shadow map

// The 4096 x 4096 depth image, its view and sampler, the shadow render pass and framebuffer.
void create_offscreen_frame_buffer();
void prepare_offscreen_renderpass();
// The depth-only pipeline of the shadow pass; needs `main_pipeline`'s layout.
void create_offscreen_pipeline();
// The shadow map's filter: linear only where the depth format can be filtered so.
VkFilter shadow_map_filter(VkFormatFeatureFlags depth_format_features);

// ---------------------------------------------------------------------------------------------------
// Descriptor sets and uniform buffers

void create_descriptor_set_layouts();
void create_descriptor_pool();
// The light, scene and object uniform buffers, the slot stride and the host copy of the slots.
void create_uniform_buffer();
// The shadow, scene, empty and object sets, written once.
void create_global_descriptor_sets();
// The material's set of its two textures, made once; the textures must be on the GPU.
void maybe_create_descriptor_set(Material* material);
// The smallest multiple of the device's offset alignment that holds one 64-byte object block.
u64 object_uniform_stride_for(u64 min_uniform_buffer_offset_alignment);
// Slot k of the host copy of the object uniforms; panics past the last slot.
Object_Uniforms* object_uniform_slot(u32 k);
