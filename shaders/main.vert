#version 450
// Main pass, vertex stage: places the vertex for the camera and for the light's shadow map, and hands
// the fragment stage what it needs of the scene block, which only this stage can read.

layout(location = 0) in vec3 in_position;
layout(location = 1) in vec2 in_uv;
layout(location = 2) in vec3 in_normal;

layout(set = 0, binding = 0) uniform Scene_Uniforms {
    mat4 view;
    mat4 projection;
    mat4 light_space;
    vec3 light_position;
} scene;

layout(set = 3, binding = 0) uniform Object_Uniforms {
    mat4 model;
} object;

layout(location = 0) out vec3 world_position;
layout(location = 1) out vec3 world_normal;
layout(location = 2) out vec2 uv;
layout(location = 3) out vec4 light_space_position;
layout(location = 4) flat out vec3 light_position;
layout(location = 5) flat out vec3 camera_position;

void main() {
    vec4 world = object.model * vec4(in_position, 1.0);
    world_position = world.xyz;
    // Scaled objects need the inverse transpose to keep normals perpendicular.
    world_normal = transpose(inverse(mat3(object.model))) * in_normal;
    uv = in_uv;
    light_space_position = scene.light_space * world;
    light_position = scene.light_position;
    camera_position = inverse(scene.view)[3].xyz;
    gl_Position = scene.projection * scene.view * world;
}
