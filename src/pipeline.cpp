// pipeline: shader modules, pipelines, the shadow map and the shader interface (see pipeline.h).
#include "pipeline.h"

#include "image.h"
#include "io.h"
#include "mesh.h"

// ---------------------------------------------------------------------------------------------------
// Shader modules and the main pipeline

// Names of SPIR-V's execution models, for reports.
static const char* execution_model_name(u32 model) {
    static const char* names[] = {"vertex", "tessellation control", "tessellation evaluation", "geometry",
                                  "fragment", "compute", "kernel"};
    return model < sizeof(names) / sizeof(names[0]) ? names[model] : "unknown";
}

void check_spirv(const Str* code, const char* path, Shader_Stage stage) {
    const u32 magic = 0x07230203;
    const u64 header_words = 5;
    const u32 op_entry_point = 15;
    if (code->data == nullptr || code->length == 0) panic("Shader file %s is empty", path);
    if (code->length % 4 != 0 || code->length < header_words * 4)
        panic("Shader file %s is not SPIR-V: %lu bytes is not a whole module", path, (unsigned long)code->length);

    // Words are read by copying, so the bytes need no particular alignment.
    auto word = [&](u64 index) {
        u32 value;
        memcpy(&value, code->data + index * 4, 4);
        return value;
    };
    if (word(0) != magic) panic("Shader file %s is not SPIR-V (no magic number)", path);

    // Each instruction gives its own length in its first word; none may run past the module's end.
    u64 word_count = code->length / 4;
    bool has_main = false;
    bool main_for_stage = false;
    u32 main_model = 0;
    for (u64 at = header_words; at < word_count;) {
        u32 length = word(at) >> 16;
        u32 opcode = word(at) & 0xFFFF;
        if (length == 0 || length > word_count - at)
            panic("Shader file %s is malformed SPIR-V: the instruction at word %lu runs past the end", path,
                  (unsigned long)at);
        // OpEntryPoint: execution model, function id, then the name as a zero-terminated string.
        if (opcode == op_entry_point && length > 3) {
            const char* name = code->data + (at + 3) * 4;
            u64 room = (u64)(length - 3) * 4;
            if (strnlen(name, room) < room && strcmp(name, "main") == 0) {
                has_main = true;
                main_model = word(at + 1);
                if (main_model == (u32)stage) main_for_stage = true;
            }
        }
        at += length;
    }
    if (!has_main) panic("Shader file %s has no entry point \"main\"", path);
    // A program of another stage passes the driver's module creation and fails only in the pipeline.
    if (!main_for_stage)
        panic("Shader file %s is not a %s program: its entry point \"main\" is a %s program", path,
              execution_model_name((u32)stage), execution_model_name(main_model));
}

void create_shader_module(const char* path, Shader_Stage stage, VkShaderModule* out) {
    Str code;
    read_entire_file(&code, path);
    check_spirv(&code, path, stage);

    VkShaderModuleCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO;
    info.codeSize = code.length;
    info.pCode = (const u32*)code.data;   // calloc'd, so aligned for 32-bit words
    vk_check(vkCreateShaderModule(renderer.device, &info, nullptr, out));
    free(code.data);
}

Pipeline* pipeline_init(VkShaderModule vertex_module, VkShaderModule fragment_module, u32 width, u32 height) {
    Pipeline* p = (Pipeline*)vek_calloc(1, sizeof(Pipeline));
    p->initialized = true;
    p->created = false;

    p->shader_stages[0].sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    p->shader_stages[0].stage = VK_SHADER_STAGE_VERTEX_BIT;
    p->shader_stages[0].module = vertex_module;
    p->shader_stages[0].pName = "main";
    p->shader_stages[1].sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    p->shader_stages[1].stage = VK_SHADER_STAGE_FRAGMENT_BIT;
    p->shader_stages[1].module = fragment_module;
    p->shader_stages[1].pName = "main";

    // Position, texture coordinate and normal of the 32-byte vertex.
    p->vertex_binding = get_vertex_binding_description();
    p->vertex_attributes = get_vertex_attribute_descriptions();
    p->vertex_input_info.sType = VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO;
    p->vertex_input_info.vertexBindingDescriptionCount = 1;
    p->vertex_input_info.pVertexBindingDescriptions = &p->vertex_binding;
    p->vertex_input_info.vertexAttributeDescriptionCount = p->vertex_attributes.count;
    p->vertex_input_info.pVertexAttributeDescriptions = p->vertex_attributes.data;

    p->input_assembly.sType = VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO;
    p->input_assembly.topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    p->input_assembly.primitiveRestartEnable = VK_FALSE;

    p->viewport = {0.0f, 0.0f, (f32)width, (f32)height, 0.0f, 1.0f};
    p->scissor = {{0, 0}, {width, height}};
    p->viewport_state.sType = VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO;
    p->viewport_state.viewportCount = 1;
    p->viewport_state.pViewports = &p->viewport;
    p->viewport_state.scissorCount = 1;
    p->viewport_state.pScissors = &p->scissor;

    // The projection keeps y up while Vulkan's framebuffer y points down, which turns the winding of
    // every triangle: meshes wound counter-clockwise from outside arrive clockwise.
    p->rasterizer.sType = VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO;
    p->rasterizer.depthClampEnable = VK_FALSE;
    p->rasterizer.rasterizerDiscardEnable = VK_FALSE;
    p->rasterizer.polygonMode = VK_POLYGON_MODE_FILL;
    p->rasterizer.cullMode = VK_CULL_MODE_BACK_BIT;
    p->rasterizer.frontFace = VK_FRONT_FACE_CLOCKWISE;
    p->rasterizer.depthBiasEnable = VK_FALSE;
    p->rasterizer.lineWidth = 1.0f;

    p->multisampling.sType = VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO;
    p->multisampling.rasterizationSamples = renderer.msaa_samples;
    p->multisampling.sampleShadingEnable = VK_FALSE;
    p->multisampling.minSampleShading = 1.0f;

    p->color_blend_attachment.blendEnable = VK_TRUE;
    p->color_blend_attachment.srcColorBlendFactor = VK_BLEND_FACTOR_SRC_ALPHA;
    p->color_blend_attachment.dstColorBlendFactor = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
    p->color_blend_attachment.colorBlendOp = VK_BLEND_OP_ADD;
    p->color_blend_attachment.srcAlphaBlendFactor = VK_BLEND_FACTOR_ONE;
    p->color_blend_attachment.dstAlphaBlendFactor = VK_BLEND_FACTOR_ZERO;
    p->color_blend_attachment.alphaBlendOp = VK_BLEND_OP_ADD;
    p->color_blend_attachment.colorWriteMask =
        VK_COLOR_COMPONENT_R_BIT | VK_COLOR_COMPONENT_G_BIT | VK_COLOR_COMPONENT_B_BIT | VK_COLOR_COMPONENT_A_BIT;

    p->depth_stencil.sType = VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO;
    p->depth_stencil.depthTestEnable = VK_TRUE;
    p->depth_stencil.depthWriteEnable = VK_TRUE;
    p->depth_stencil.depthCompareOp = VK_COMPARE_OP_LESS;
    p->depth_stencil.depthBoundsTestEnable = VK_FALSE;
    p->depth_stencil.minDepthBounds = 0.0f;
    p->depth_stencil.maxDepthBounds = 1.0f;
    p->depth_stencil.stencilTestEnable = VK_FALSE;

    p->color_blending.sType = VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO;
    p->color_blending.logicOpEnable = VK_FALSE;
    p->color_blending.attachmentCount = 1;
    p->color_blending.pAttachments = &p->color_blend_attachment;

    array_list_init(&p->dynamic_states, 2);
    array_list_push(&p->dynamic_states, VK_DYNAMIC_STATE_VIEWPORT);
    array_list_push(&p->dynamic_states, VK_DYNAMIC_STATE_SCISSOR);
    p->dynamic_state.sType = VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO;
    p->dynamic_state.dynamicStateCount = p->dynamic_states.count;
    p->dynamic_state.pDynamicStates = p->dynamic_states.data;

    p->push_constant_range = {VK_SHADER_STAGE_FRAGMENT_BIT, 0, 4};
    return p;
}

void pipeline_create(Pipeline* p, VkDevice device, VkRenderPass render_pass) {
    if (!p->initialized) panic("The Pipeline was not initialized.");
    p->device = device;

    Array_List<VkPipelineShaderStageCreateInfo> stages;
    array_list_init(&stages, 2);
    array_list_push(&stages, p->shader_stages[0]);
    array_list_push(&stages, p->shader_stages[1]);

    VkPipelineLayoutCreateInfo layout_info = {};
    layout_info.sType = VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO;
    layout_info.setLayoutCount = 4;
    layout_info.pSetLayouts = renderer.set_layouts;
    layout_info.pushConstantRangeCount = 1;
    layout_info.pPushConstantRanges = &p->push_constant_range;
    vk_check(vkCreatePipelineLayout(device, &layout_info, nullptr, &p->layout));

    VkGraphicsPipelineCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO;
    info.stageCount = stages.count;
    info.pStages = stages.data;
    info.pVertexInputState = &p->vertex_input_info;
    info.pInputAssemblyState = &p->input_assembly;
    info.pViewportState = &p->viewport_state;
    info.pRasterizationState = &p->rasterizer;
    info.pMultisampleState = &p->multisampling;
    info.pDepthStencilState = &p->depth_stencil;
    info.pColorBlendState = &p->color_blending;
    info.pDynamicState = &p->dynamic_state;
    info.layout = p->layout;
    info.renderPass = render_pass;
    info.subpass = 0;
    info.basePipelineHandle = VK_NULL_HANDLE;
    info.basePipelineIndex = -1;
    vk_check(vkCreateGraphicsPipelines(device, VK_NULL_HANDLE, 1, &info, nullptr, &p->pipeline));

    p->created = true;
    array_list_free(&stages);
}

void pipeline_destroy(Pipeline* p) {
    if (p->created) {
        vkDestroyPipeline(p->device, p->pipeline, nullptr);
        vkDestroyPipelineLayout(p->device, p->layout, nullptr);
        p->created = false;
    }
    // Both lists belong to the record whether or not it was ever created.
    array_list_free(&p->vertex_attributes);
    array_list_free(&p->dynamic_states);
    vek_free(p);
}

void create_main_pipeline() {
    create_shader_module("./shaders/vert.spv", Shader_Stage::Vertex, &renderer.main_vertex_module);
    create_shader_module("./shaders/frag.spv", Shader_Stage::Fragment, &renderer.main_fragment_module);
    renderer.main_pipeline = pipeline_init(renderer.main_vertex_module, renderer.main_fragment_module,
                                           renderer.window_width, renderer.window_height);
    pipeline_create(renderer.main_pipeline, renderer.device, renderer.main_render_pass);
}

// ---------------------------------------------------------------------------------------------------
// Shadow map

VkFilter shadow_map_filter(VkFormatFeatureFlags depth_format_features) {
    return (depth_format_features & VK_FORMAT_FEATURE_SAMPLED_IMAGE_FILTER_LINEAR_BIT) ? VK_FILTER_LINEAR
                                                                                        : VK_FILTER_NEAREST;
}

void create_offscreen_frame_buffer() {
    VkDevice device = renderer.device;
    renderer.shadow_extent = {shadow_map_size, shadow_map_size};

    VkImageCreateInfo image = {};
    image.sType = VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO;
    image.imageType = VK_IMAGE_TYPE_2D;
    image.format = renderer.depth_format;
    image.extent = {shadow_map_size, shadow_map_size, 1};
    image.mipLevels = 1;
    image.arrayLayers = 1;
    image.samples = VK_SAMPLE_COUNT_1_BIT;
    image.tiling = VK_IMAGE_TILING_OPTIMAL;
    image.usage = VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT;
    image.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    image.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    vk_check(vkCreateImage(device, &image, nullptr, &renderer.shadow_image));

    VkMemoryRequirements requirements;
    vkGetImageMemoryRequirements(device, renderer.shadow_image, &requirements);
    VkMemoryAllocateInfo allocation = {};
    allocation.sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO;
    allocation.allocationSize = requirements.size;
    allocation.memoryTypeIndex =
        find_memory_type_index(requirements.memoryTypeBits, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
    vk_check(vkAllocateMemory(device, &allocation, nullptr, &renderer.shadow_image_memory));
    vk_check(vkBindImageMemory(device, renderer.shadow_image, renderer.shadow_image_memory, 0));

    VkImageViewCreateInfo view = {};
    view.sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO;
    view.image = renderer.shadow_image;
    view.viewType = VK_IMAGE_VIEW_TYPE_2D;
    view.format = renderer.depth_format;
    view.subresourceRange = {VK_IMAGE_ASPECT_DEPTH_BIT, 0, 1, 0, 1};
    vk_check(vkCreateImageView(device, &view, nullptr, &renderer.shadow_image_view));

    // The shader compares depths itself (percentage-closer filtering), so the sampler returns stored
    // depths; no depth format here can be filtered linearly.
    VkFormatProperties properties;
    vkGetPhysicalDeviceFormatProperties(renderer.physical_device, renderer.depth_format, &properties);
    VkFilter filter = shadow_map_filter(properties.optimalTilingFeatures);
    VkSamplerCreateInfo sampler = {};
    sampler.sType = VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO;
    sampler.magFilter = filter;
    sampler.minFilter = filter;
    // Blending between levels filters too (the map has one level anyway).
    sampler.mipmapMode = filter == VK_FILTER_LINEAR ? VK_SAMPLER_MIPMAP_MODE_LINEAR : VK_SAMPLER_MIPMAP_MODE_NEAREST;
    sampler.addressModeU = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    sampler.addressModeV = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    sampler.addressModeW = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    sampler.mipLodBias = 0.0f;
    sampler.anisotropyEnable = VK_FALSE;
    sampler.maxAnisotropy = 1.0f;
    sampler.compareEnable = VK_FALSE;
    sampler.compareOp = VK_COMPARE_OP_NEVER;
    sampler.minLod = 0.0f;
    sampler.maxLod = 1.0f;
    sampler.borderColor = VK_BORDER_COLOR_FLOAT_OPAQUE_WHITE;
    sampler.unnormalizedCoordinates = VK_FALSE;
    vk_check(vkCreateSampler(device, &sampler, nullptr, &renderer.shadow_sampler));

    prepare_offscreen_renderpass();

    VkFramebufferCreateInfo framebuffer = {};
    framebuffer.sType = VK_STRUCTURE_TYPE_FRAMEBUFFER_CREATE_INFO;
    framebuffer.renderPass = renderer.shadow_render_pass;
    framebuffer.attachmentCount = 1;
    framebuffer.pAttachments = &renderer.shadow_image_view;
    framebuffer.width = shadow_map_size;
    framebuffer.height = shadow_map_size;
    framebuffer.layers = 1;
    vk_check(vkCreateFramebuffer(device, &framebuffer, nullptr, &renderer.shadow_framebuffer));
}

void prepare_offscreen_renderpass() {
    VkAttachmentDescription depth = {};
    depth.format = renderer.depth_format;
    depth.samples = VK_SAMPLE_COUNT_1_BIT;
    depth.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    depth.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    depth.stencilLoadOp = VK_ATTACHMENT_LOAD_OP_DONT_CARE;
    depth.stencilStoreOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    depth.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    depth.finalLayout = VK_IMAGE_LAYOUT_DEPTH_STENCIL_READ_ONLY_OPTIMAL;

    VkAttachmentReference depth_ref = {0, VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL};
    VkSubpassDescription subpass = {};
    subpass.pipelineBindPoint = VK_PIPELINE_BIND_POINT_GRAPHICS;
    subpass.pDepthStencilAttachment = &depth_ref;

    // The main pass samples the map anywhere, not only at the texel it is drawing, so neither
    // dependency may be limited to framebuffer regions.
    Array_List<VkSubpassDependency> dependencies;
    array_list_init(&dependencies, 2);
    VkSubpassDependency before = {};   // earlier frames' reads of the map, then this frame's writes
    before.srcSubpass = VK_SUBPASS_EXTERNAL;
    before.dstSubpass = 0;
    before.srcStageMask = VK_PIPELINE_STAGE_FRAGMENT_SHADER_BIT;
    before.dstStageMask = VK_PIPELINE_STAGE_EARLY_FRAGMENT_TESTS_BIT;
    before.srcAccessMask = VK_ACCESS_SHADER_READ_BIT;
    before.dstAccessMask = VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT;
    array_list_push(&dependencies, before);
    VkSubpassDependency after = {};   // the finished depths, visible to the main pass's fragment shader
    after.srcSubpass = 0;
    after.dstSubpass = VK_SUBPASS_EXTERNAL;
    after.srcStageMask = VK_PIPELINE_STAGE_LATE_FRAGMENT_TESTS_BIT;
    after.dstStageMask = VK_PIPELINE_STAGE_FRAGMENT_SHADER_BIT;
    after.srcAccessMask = VK_ACCESS_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT;
    after.dstAccessMask = VK_ACCESS_SHADER_READ_BIT;
    array_list_push(&dependencies, after);

    VkRenderPassCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_RENDER_PASS_CREATE_INFO;
    info.attachmentCount = 1;
    info.pAttachments = &depth;
    info.subpassCount = 1;
    info.pSubpasses = &subpass;
    info.dependencyCount = dependencies.count;
    info.pDependencies = dependencies.data;
    vk_check(vkCreateRenderPass(renderer.device, &info, nullptr, &renderer.shadow_render_pass));
    array_list_free(&dependencies);
}

void create_offscreen_pipeline() {
    const Pipeline* main = renderer.main_pipeline;

    VkPipelineInputAssemblyStateCreateInfo input_assembly = main->input_assembly;

    // Depth bias on, its values set while recording.
    VkPipelineRasterizationStateCreateInfo rasterizer = main->rasterizer;
    rasterizer.depthBiasEnable = VK_TRUE;
    rasterizer.depthBiasConstantFactor = 0.0f;
    rasterizer.depthBiasClamp = 0.0f;
    rasterizer.depthBiasSlopeFactor = 0.0f;

    VkPipelineColorBlendStateCreateInfo color_blending = {};
    color_blending.sType = VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO;
    color_blending.logicOpEnable = VK_FALSE;
    color_blending.attachmentCount = 0;

    VkPipelineDepthStencilStateCreateInfo depth_stencil = main->depth_stencil;
    depth_stencil.depthCompareOp = VK_COMPARE_OP_LESS_OR_EQUAL;

    VkPipelineViewportStateCreateInfo viewport_state = {};
    viewport_state.sType = VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO;
    viewport_state.viewportCount = 1;
    viewport_state.scissorCount = 1;

    VkPipelineMultisampleStateCreateInfo multisampling = {};
    multisampling.sType = VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO;
    multisampling.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
    multisampling.sampleShadingEnable = VK_FALSE;

    Array_List<VkDynamicState> dynamic_states;
    array_list_init(&dynamic_states, 3);
    array_list_push(&dynamic_states, VK_DYNAMIC_STATE_VIEWPORT);
    array_list_push(&dynamic_states, VK_DYNAMIC_STATE_SCISSOR);
    array_list_push(&dynamic_states, VK_DYNAMIC_STATE_DEPTH_BIAS);
    VkPipelineDynamicStateCreateInfo dynamic_state = {};
    dynamic_state.sType = VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO;
    dynamic_state.dynamicStateCount = dynamic_states.count;
    dynamic_state.pDynamicStates = dynamic_states.data;

    create_shader_module("./shaders/shadow_vert.spv", Shader_Stage::Vertex, &renderer.shadow_vertex_module);

    Array_List<VkPipelineShaderStageCreateInfo> stages;
    array_list_init(&stages, 1);
    VkPipelineShaderStageCreateInfo stage = {};
    stage.sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    stage.stage = VK_SHADER_STAGE_VERTEX_BIT;
    stage.module = renderer.shadow_vertex_module;
    stage.pName = "main";
    array_list_push(&stages, stage);

    VkGraphicsPipelineCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO;
    info.stageCount = stages.count;
    info.pStages = stages.data;
    info.pVertexInputState = &main->vertex_input_info;   // the same 32-byte vertex
    info.pInputAssemblyState = &input_assembly;
    info.pViewportState = &viewport_state;
    info.pRasterizationState = &rasterizer;
    info.pMultisampleState = &multisampling;
    info.pDepthStencilState = &depth_stencil;
    info.pColorBlendState = &color_blending;
    info.pDynamicState = &dynamic_state;
    info.layout = main->layout;
    info.renderPass = renderer.shadow_render_pass;
    info.subpass = 0;
    info.basePipelineIndex = -1;
    vk_check(vkCreateGraphicsPipelines(renderer.device, VK_NULL_HANDLE, 1, &info, nullptr, &renderer.shadow_pipeline));

    array_list_free(&stages);
    array_list_free(&dynamic_states);
}

// ---------------------------------------------------------------------------------------------------
// Descriptor sets and uniform buffers

static VkDescriptorSetLayoutBinding layout_binding(u32 binding, VkDescriptorType type, VkShaderStageFlags stages) {
    VkDescriptorSetLayoutBinding b = {};
    b.binding = binding;
    b.descriptorType = type;
    b.descriptorCount = 1;
    b.stageFlags = stages;
    return b;
}

void create_descriptor_set_layouts() {
    Array_List<VkDescriptorSetLayoutBinding> bindings[4];
    for (auto& list : bindings) array_list_init(&list, 2);
    // 0: the pass's uniform block (scene or light) and the shadow map.
    array_list_push(&bindings[0], layout_binding(0, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, VK_SHADER_STAGE_VERTEX_BIT));
    array_list_push(&bindings[0],
                    layout_binding(1, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, VK_SHADER_STAGE_FRAGMENT_BIT));
    // 1: empty. 2: the material's albedo and normal map.
    array_list_push(&bindings[2],
                    layout_binding(0, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, VK_SHADER_STAGE_FRAGMENT_BIT));
    array_list_push(&bindings[2],
                    layout_binding(1, VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, VK_SHADER_STAGE_FRAGMENT_BIT));
    // 3: the drawn object's slot.
    array_list_push(&bindings[3], layout_binding(0, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC,
                                                 VK_SHADER_STAGE_VERTEX_BIT | VK_SHADER_STAGE_FRAGMENT_BIT));

    for (u32 set = 0; set < 4; set++) {
        VkDescriptorSetLayoutCreateInfo info = {};
        info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO;
        info.bindingCount = bindings[set].count;
        info.pBindings = bindings[set].data;
        vk_check(vkCreateDescriptorSetLayout(renderer.device, &info, nullptr, &renderer.set_layouts[set]));
    }
    for (auto& list : bindings) array_list_free(&list);
}

void create_descriptor_pool() {
    Array_List<VkDescriptorPoolSize> sizes;
    array_list_init(&sizes, 3);
    array_list_push(&sizes, {VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER, 1000});
    array_list_push(&sizes, {VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1000});
    array_list_push(&sizes, {VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, 1000});
    VkDescriptorPoolCreateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO;
    info.maxSets = 1000;
    info.poolSizeCount = sizes.count;
    info.pPoolSizes = sizes.data;
    vk_check(vkCreateDescriptorPool(renderer.device, &info, nullptr, &renderer.descriptor_pool));
    array_list_free(&sizes);
}

u64 object_uniform_stride_for(u64 alignment) {
    if (alignment == 0) return sizeof(Object_Uniforms);
    return (sizeof(Object_Uniforms) + alignment - 1) & ~(alignment - 1);
}

void create_uniform_buffer() {
    const VkMemoryPropertyFlags host = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    create_buffer(sizeof(Light_Uniforms), VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, &renderer.light_uniform_buffer, host,
                  &renderer.light_uniform_memory);
    create_buffer(sizeof(Scene_Uniforms), VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, &renderer.scene_uniform_buffer, host,
                  &renderer.scene_uniform_memory);

    renderer.object_uniform_stride =
        object_uniform_stride_for(renderer.device_properties.limits.minUniformBufferOffsetAlignment);
    renderer.object_uniform_size = renderer.object_uniform_stride * object_uniform_slot_count;
    renderer.object_uniforms_host =
        (u8*)aligned_alloc(renderer.object_uniform_stride, renderer.object_uniform_size);
    if (renderer.object_uniforms_host == nullptr) panic("aligned_alloc failed");
    memset(renderer.object_uniforms_host, 0, renderer.object_uniform_size);

    create_buffer(renderer.object_uniform_size, VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, &renderer.object_uniform_buffer,
                  host, &renderer.object_uniform_memory);
}

Object_Uniforms* object_uniform_slot(u32 k) {
    if (k >= object_uniform_slot_count)
        panic("render object %u has no uniform slot: there are %u", k, object_uniform_slot_count);
    return (Object_Uniforms*)(renderer.object_uniforms_host + renderer.object_uniform_stride * k);
}

static VkDescriptorSet allocate_set(u32 layout_index) {
    VkDescriptorSetAllocateInfo info = {};
    info.sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO;
    info.descriptorPool = renderer.descriptor_pool;
    info.descriptorSetCount = 1;
    info.pSetLayouts = &renderer.set_layouts[layout_index];
    VkDescriptorSet set;
    vk_check(vkAllocateDescriptorSets(renderer.device, &info, &set));
    return set;
}

static VkWriteDescriptorSet buffer_write(VkDescriptorSet set, u32 binding, VkDescriptorType type,
                                         const VkDescriptorBufferInfo* buffer) {
    VkWriteDescriptorSet write = {};
    write.sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
    write.dstSet = set;
    write.dstBinding = binding;
    write.descriptorCount = 1;
    write.descriptorType = type;
    write.pBufferInfo = buffer;
    return write;
}

static VkWriteDescriptorSet image_write(VkDescriptorSet set, u32 binding, u32 count, const VkDescriptorImageInfo* images) {
    VkWriteDescriptorSet write = {};
    write.sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET;
    write.dstSet = set;
    write.dstBinding = binding;
    write.descriptorCount = count;
    write.descriptorType = VK_DESCRIPTOR_TYPE_COMBINED_IMAGE_SAMPLER;
    write.pImageInfo = images;
    return write;
}

// Applies the writes gathered in `writes` and frees the list.
static void update_and_free(Array_List<VkWriteDescriptorSet>* writes) {
    vkUpdateDescriptorSets(renderer.device, writes->count, writes->data, 0, nullptr);
    array_list_free(writes);
}

void create_global_descriptor_sets() {
    VkDescriptorImageInfo shadow_map = {renderer.shadow_sampler, renderer.shadow_image_view,
                                        VK_IMAGE_LAYOUT_DEPTH_STENCIL_READ_ONLY_OPTIMAL};
    renderer.shadow_descriptor_set = allocate_set(0);
    VkDescriptorBufferInfo light = {renderer.light_uniform_buffer, 0, sizeof(Light_Uniforms)};
    Array_List<VkWriteDescriptorSet> writes;
    array_list_init(&writes, 2);
    array_list_push(&writes, buffer_write(renderer.shadow_descriptor_set, 0, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, &light));
    array_list_push(&writes, image_write(renderer.shadow_descriptor_set, 1, 1, &shadow_map));
    update_and_free(&writes);

    renderer.scene_descriptor_set = allocate_set(0);
    VkDescriptorBufferInfo scene = {renderer.scene_uniform_buffer, 0, sizeof(Scene_Uniforms)};
    array_list_init(&writes, 2);
    array_list_push(&writes, buffer_write(renderer.scene_descriptor_set, 0, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, &scene));
    array_list_push(&writes, image_write(renderer.scene_descriptor_set, 1, 1, &shadow_map));
    update_and_free(&writes);

    renderer.empty_descriptor_set = allocate_set(1);

    // One slot's worth; the dynamic offset of each draw picks the slot.
    renderer.object_descriptor_set = allocate_set(3);
    VkDescriptorBufferInfo object = {renderer.object_uniform_buffer, 0, sizeof(Object_Uniforms)};
    array_list_init(&writes, 1);
    array_list_push(&writes,
                    buffer_write(renderer.object_descriptor_set, 0, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, &object));
    update_and_free(&writes);
}

void maybe_create_descriptor_set(Material* material) {
    if (material->descriptor_set != VK_NULL_HANDLE) return;
    material->descriptor_set = allocate_set(2);
    // Two descriptors from binding 0 on: the second one lands in binding 1.
    VkDescriptorImageInfo images[2] = {
        {material->albedo.sampler, material->albedo.view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL},
        {material->normal_map.sampler, material->normal_map.view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL},
    };
    Array_List<VkWriteDescriptorSet> writes;
    array_list_init(&writes, 1);
    array_list_push(&writes, image_write(material->descriptor_set, 0, 2, images));
    update_and_free(&writes);
}
