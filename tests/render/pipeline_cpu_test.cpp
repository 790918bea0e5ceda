// Pipelines and shader interface on the CPU: the compiled shaders against the uniform blocks and sets
// the renderer binds, the checks that turn a bad shader file into a panic naming it, and the uniform
// slot arithmetic with its limit.
#include <gtest/gtest.h>
#include <stddef.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "panic_expect.h"
#include "pipeline.h"
#include "transform.h"

namespace {

std::vector<u32> read_words(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<u32> words(bytes.size() / 4);
    memcpy(words.data(), bytes.data(), words.size() * 4);
    return words;
}

// What a shader declares: its named uniform blocks and samplers with set and binding, block member
// offsets, and its input locations.
struct Shader_Interface {
    struct Resource {
        u32 set = ~0u, binding = ~0u;
    };
    std::map<std::string, Resource> blocks;     // by block type name
    std::map<std::string, Resource> samplers;   // by variable name
    std::map<std::string, std::vector<u32>> member_offsets;
    std::vector<u32> input_locations;
};

Shader_Interface reflect(const std::vector<u32>& words) {
    const u32 op_name = 5, op_type_pointer = 32, op_variable = 59, op_decorate = 71, op_member_decorate = 72;
    const u32 decoration_location = 30, decoration_binding = 33, decoration_set = 34, decoration_offset = 35;
    const u32 storage_uniform_constant = 0, storage_input = 1, storage_uniform = 2;
    std::map<u32, std::string> names;
    std::map<u32, u32> pointee, set_of, binding_of, location_of;
    std::map<u32, std::map<u32, u32>> offsets;
    std::vector<std::pair<u32, u32>> variables;   // id, storage class
    for (size_t at = 5; at < words.size();) {
        u32 length = words[at] >> 16, op = words[at] & 0xFFFF;
        const u32* w = &words[at];
        if (length == 0) break;
        if (op == op_name) names[w[1]] = (const char*)&w[2];
        if (op == op_type_pointer) pointee[w[1]] = w[3];
        if (op == op_variable) {
            variables.push_back({w[2], w[3]});
            pointee[w[2]] = pointee[w[1]];
        }
        if (op == op_decorate && w[2] == decoration_set) set_of[w[1]] = w[3];
        if (op == op_decorate && w[2] == decoration_binding) binding_of[w[1]] = w[3];
        if (op == op_decorate && w[2] == decoration_location) location_of[w[1]] = w[3];
        if (op == op_member_decorate && w[3] == decoration_offset) offsets[w[1]][w[2]] = w[4];
        at += length;
    }
    Shader_Interface out;
    for (auto [id, storage] : variables) {
        Shader_Interface::Resource r = {set_of.count(id) ? set_of[id] : ~0u, binding_of.count(id) ? binding_of[id] : ~0u};
        if (storage == storage_uniform) {
            std::string type = names[pointee[id]];
            out.blocks[type] = r;
            for (auto [member, offset] : offsets[pointee[id]]) out.member_offsets[type].push_back(offset);
        }
        if (storage == storage_uniform_constant) out.samplers[names[id]] = r;
        if (storage == storage_input && location_of.count(id)) out.input_locations.push_back(location_of[id]);
    }
    std::sort(out.input_locations.begin(), out.input_locations.end());
    return out;
}

void expect_resource(const std::map<std::string, Shader_Interface::Resource>& resources, const std::string& name,
                     u32 set, u32 binding) {
    auto found = resources.find(name);
    ASSERT_NE(found, resources.end()) << name << " is not declared";
    EXPECT_EQ(found->second.set, set) << name;
    EXPECT_EQ(found->second.binding, binding) << name;
}

TEST(ShaderInterface, ShadersDeclareTheBlocksAndSetsTheRendererBinds) {
    Shader_Interface vert = reflect(read_words("shaders/vert.spv"));
    Shader_Interface frag = reflect(read_words("shaders/frag.spv"));
    Shader_Interface shadow = reflect(read_words("shaders/shadow_vert.spv"));

    // The blocks' members sit where the host copies put them.
    expect_resource(vert.blocks, "Scene_Uniforms", 0, 0);
    EXPECT_EQ(vert.member_offsets["Scene_Uniforms"],
              (std::vector<u32>{offsetof(Scene_Uniforms, view), offsetof(Scene_Uniforms, projection),
                                offsetof(Scene_Uniforms, light_space), offsetof(Scene_Uniforms, light_position)}));
    expect_resource(vert.blocks, "Object_Uniforms", 3, 0);
    EXPECT_EQ(vert.member_offsets["Object_Uniforms"], (std::vector<u32>{offsetof(Object_Uniforms, model)}));
    expect_resource(shadow.blocks, "Light_Uniforms", 0, 0);
    EXPECT_EQ(shadow.member_offsets["Light_Uniforms"], (std::vector<u32>{offsetof(Light_Uniforms, light_space)}));
    expect_resource(shadow.blocks, "Object_Uniforms", 3, 0);

    // The fragment stage reads the shadow map and the material, and no scene block.
    expect_resource(frag.samplers, "shadow_map", 0, 1);
    expect_resource(frag.samplers, "albedo_map", 2, 0);
    expect_resource(frag.samplers, "normal_map", 2, 1);
    EXPECT_EQ(frag.blocks.count("Scene_Uniforms"), 0u);

    // Both vertex stages take position, texture coordinate and normal.
    EXPECT_EQ(vert.input_locations, (std::vector<u32>{0, 1, 2}));
    EXPECT_EQ(shadow.input_locations, (std::vector<u32>{0, 1, 2}));
}

Str str_of(std::vector<u32>& words) { return {(char*)words.data(), words.size() * 4}; }

const std::pair<const char*, Shader_Stage> compiled_shaders[] = {{"shaders/vert.spv", Shader_Stage::Vertex},
                                                                   {"shaders/frag.spv", Shader_Stage::Fragment},
                                                                   {"shaders/shadow_vert.spv", Shader_Stage::Vertex}};

TEST(ShaderFiles, CompiledShadersPassTheCheck) {
    for (auto [path, stage] : compiled_shaders) {
        std::vector<u32> words = read_words(path);
        ASSERT_GT(words.size(), 5u) << path;
        Str code = str_of(words);
        check_spirv(&code, path, stage);
        // The check reads words by copying: an odd start address is no problem.
        std::vector<char> shifted(code.length + 1);
        memcpy(shifted.data() + 1, code.data, code.length);
        Str unaligned = {shifted.data() + 1, code.length};
        check_spirv(&unaligned, path, stage);
    }
}

TEST(ShaderFiles, ShaderOfTheWrongStagePanicsNamingTheFile) {
    auto name = [](Shader_Stage stage) { return std::string(stage == Shader_Stage::Vertex ? "vertex" : "fragment"); };
    // Each compiled shader where a program of the other stage belongs.
    for (auto [path, stage] : compiled_shaders) {
        std::vector<u32> words = read_words(path);
        ASSERT_GT(words.size(), 5u) << path;
        Str code = str_of(words);
        Shader_Stage other = stage == Shader_Stage::Vertex ? Shader_Stage::Fragment : Shader_Stage::Vertex;
        const char* place = other == Shader_Stage::Vertex ? "./shaders/vert.spv" : "./shaders/frag.spv";
        EXPECT_PANIC(check_spirv(&code, place, other), std::string("Shader file ") + place + " is not a " + name(other) +
                                                           " program: its entry point \"main\" is a " + name(stage) +
                                                           " program");
    }
    // The fragment program loaded where the vertex program belongs, before any Vulkan call.
    VkShaderModule module;
    EXPECT_PANIC(create_shader_module("shaders/frag.spv", Shader_Stage::Vertex, &module),
                 "Shader file shaders/frag.spv is not a vertex program");
}

TEST(ShaderFiles, MalformedSpirvPanicsNamingTheFile) {
    const std::vector<u32> good = read_words("shaders/shadow_vert.spv");
    ASSERT_GT(good.size(), 5u);
    const char* name = "shaders/bad.spv";

    Str empty = {nullptr, 0};
    EXPECT_PANIC(check_spirv(&empty, name, Shader_Stage::Vertex), "Shader file shaders/bad.spv is empty");

    std::vector<u32> words = good;
    Str cut = {(char*)words.data(), words.size() * 4 - 2};
    EXPECT_PANIC(check_spirv(&cut, name, Shader_Stage::Vertex), "Shader file shaders/bad.spv is not SPIR-V");

    words = good;
    words[0] = 0x03022307;   // the magic number byte-swapped
    Str code = str_of(words);
    EXPECT_PANIC(check_spirv(&code, name, Shader_Stage::Vertex), "Shader file shaders/bad.spv is not SPIR-V (no magic number)");

    // The last instruction claims more words than the file has left.
    words = good;
    size_t last = 5;
    for (size_t at = 5; at < words.size(); at += words[at] >> 16) last = at;
    words[last] = ((words[last] >> 16) + 1) << 16 | (words[last] & 0xFFFF);
    code = str_of(words);
    EXPECT_PANIC(check_spirv(&code, name, Shader_Stage::Vertex), "Shader file shaders/bad.spv is malformed SPIR-V");

    words = good;
    words[5] &= 0xFFFF;   // an instruction of no words would never end
    code = str_of(words);
    EXPECT_PANIC(check_spirv(&code, name, Shader_Stage::Vertex), "Shader file shaders/bad.spv is malformed SPIR-V");

    // An entry point under another name than the one the pipelines ask for.
    words = good;
    for (size_t at = 5; at < words.size(); at += words[at] >> 16)
        if ((words[at] & 0xFFFF) == 15) memcpy(&words[at + 3], "mian", 4);
    code = str_of(words);
    EXPECT_PANIC(check_spirv(&code, name, Shader_Stage::Vertex), "Shader file shaders/bad.spv has no entry point \"main\"");
}

TEST(ShaderFiles, ShaderModuleFromBadFilePanicsBeforeAnyVulkanCall) {
    // No device exists here: the panic must come from the file check, not from Vulkan.
    std::string path = testing::TempDir() + "frame_not_spirv.spv";
    { std::ofstream(path) << "#version 450\nvoid main() {}\n"; }
    VkShaderModule module;
    EXPECT_PANIC(create_shader_module(path.c_str(), Shader_Stage::Vertex, &module), "Shader file " + path + " is not SPIR-V");
    std::string empty = testing::TempDir() + "frame_empty.spv";
    { std::ofstream(empty).flush(); }
    EXPECT_PANIC(create_shader_module(empty.c_str(), Shader_Stage::Vertex, &module), "Shader file " + empty + " is empty");
    EXPECT_PANIC(create_shader_module("shaders/no_such_shader.spv", Shader_Stage::Fragment, &module),
                 "Cannot read file: shaders/no_such_shader.spv");
}

TEST(UniformSlots, StrideIsTheAlignedBlockSize) {
    for (u64 alignment : {0, 1, 16, 32, 64}) EXPECT_EQ(object_uniform_stride_for(alignment), 64u) << alignment;
    EXPECT_EQ(object_uniform_stride_for(128), 128u);
    EXPECT_EQ(object_uniform_stride_for(256), 256u);
}

TEST(UniformSlots, SlotsEndAtTheBufferEnd) {
    renderer.object_uniform_stride = 256;
    renderer.object_uniform_size = 256 * object_uniform_slot_count;
    std::vector<u8> host(renderer.object_uniform_size);
    renderer.object_uniforms_host = host.data();
    EXPECT_EQ((u8*)object_uniform_slot(999), host.data() + 256 * 999);
    EXPECT_PANIC(object_uniform_slot(1000), "render object 1000 has no uniform slot: there are 1000");
    renderer.object_uniforms_host = nullptr;
}

TEST(UniformSlots, DrawingPastTheLastSlotPanics) {
    // Objects without meshes record nothing, so no command buffer is needed to walk them.
    renderer.main_pipeline = pipeline_init(VK_NULL_HANDLE, VK_NULL_HANDLE, 16, 16);
    bucket_array_init(&render_object_pool);
    for (u32 i = 0; i < object_uniform_slot_count; i++) *bucket_array_alloc(&render_object_pool) = {};
    draw_objects(VK_NULL_HANDLE);
    // A released item is skipped and owns no slot.
    Transform* extra = bucket_array_alloc(&render_object_pool);
    *extra = {};
    bucket_array_release(&render_object_pool, extra);
    draw_objects(VK_NULL_HANDLE);
    *bucket_array_alloc(&render_object_pool) = {};
    *bucket_array_alloc(&render_object_pool) = {};
    EXPECT_PANIC(draw_objects(VK_NULL_HANDLE), "render object 1000 has no uniform slot: there are 1000");
    bucket_array_destroy(&render_object_pool);
    pipeline_destroy(renderer.main_pipeline);
    renderer.main_pipeline = nullptr;
}

TEST(PipelineRecord, CreateNeedsAnInitialisedRecord) {
    Pipeline* blank = (Pipeline*)vek_calloc(1, sizeof(Pipeline));
    EXPECT_PANIC(pipeline_create(blank, VK_NULL_HANDLE, VK_NULL_HANDLE), "The Pipeline was not initialized.");
    vek_free(blank);
}

TEST(PipelineRecord, DestroyReleasesWhatInitTook) {
    u32 taken = vek_malloc_calls + vek_calloc_calls;
    u32 released = vek_free_calls;
    Pipeline* pipeline = pipeline_init(VK_NULL_HANDLE, VK_NULL_HANDLE, 1600, 900);
    EXPECT_EQ(pipeline->vertex_input_info.pVertexAttributeDescriptions, pipeline->vertex_attributes.data);
    EXPECT_EQ(pipeline->dynamic_state.pDynamicStates, pipeline->dynamic_states.data);
    pipeline_destroy(pipeline);   // never created: nothing of Vulkan to destroy
    EXPECT_EQ(vek_malloc_calls + vek_calloc_calls - taken, vek_free_calls - released);
}

}  // namespace
