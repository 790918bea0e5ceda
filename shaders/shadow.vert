#version 450
// Shadow pass, the only stage: the vertex as the light sees it; the depth is all that is kept.

layout(location = 0) in vec3 in_position;
layout(location = 1) in vec2 in_uv;
layout(location = 2) in vec3 in_normal;

layout(set = 0, binding = 0) uniform Light_Uniforms {
    mat4 light_space;
} light;

layout(set = 3, binding = 0) uniform Object_Uniforms {
    mat4 model;
} object;

void main() {
    gl_Position = light.light_space * object.model * vec4(in_position, 1.0);
}
