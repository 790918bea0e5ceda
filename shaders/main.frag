#version 450
// Main pass, fragment stage: albedo with its normal map, lit by the one light, shadowed by comparing
// against the shadow map over a small neighbourhood (the sampler returns depths, it does not compare).

layout(location = 0) in vec3 world_position;
layout(location = 1) in vec3 world_normal;
layout(location = 2) in vec2 uv;
layout(location = 3) in vec4 light_space_position;
layout(location = 4) flat in vec3 light_position;
layout(location = 5) flat in vec3 camera_position;

layout(set = 0, binding = 1) uniform sampler2D shadow_map;
layout(set = 2, binding = 0) uniform sampler2D albedo_map;
layout(set = 2, binding = 1) uniform sampler2D normal_map;

layout(location = 0) out vec4 out_color;

const float ambient = 0.28;
const float diffuse = 0.82;
const float specular = 0.35;
const float shininess = 40.0;

// The mesh carries no tangents: the frame comes from the screen-space change of position and uv.
// Normal maps point green toward the picture's top, which is where v decreases (rows run down).
vec3 mapped_normal(vec3 n) {
    vec3 dp1 = dFdx(world_position);
    vec3 dp2 = dFdy(world_position);
    vec2 duv1 = dFdx(uv);
    vec2 duv2 = dFdy(uv);
    vec3 dp2perp = cross(dp2, n);
    vec3 dp1perp = cross(n, dp1);
    vec3 t = dp2perp * duv1.x + dp1perp * duv2.x;
    vec3 b = -(dp2perp * duv1.y + dp1perp * duv2.y);
    float len = max(dot(t, t), dot(b, b));
    // Where the uv does not change (a degenerate mapping) there is no frame to bend the normal in.
    if (len < 1e-20) return n;
    float scale = inversesqrt(len);
    vec3 tangent_normal = texture(normal_map, uv).xyz * 2.0 - 1.0;
    return normalize(mat3(t * scale, b * scale, n) * tangent_normal);
}

// 1 fully lit, 0 fully in shadow. Outside the light's view nothing casts a shadow.
float light_visibility(float n_dot_l) {
    if (light_space_position.w <= 0.0) return 1.0;
    vec3 ndc = light_space_position.xyz / light_space_position.w;
    vec2 st = ndc.xy * 0.5 + 0.5;
    if (ndc.z > 1.0 || any(lessThan(st, vec2(0.0))) || any(greaterThan(st, vec2(1.0)))) return 1.0;
    // Surfaces turned away from the light need more room against their own depths.
    float bias = mix(0.0006, 0.00012, clamp(n_dot_l, 0.0, 1.0));
    vec2 texel = 1.0 / vec2(textureSize(shadow_map, 0));
    float lit = 0.0;
    for (int x = -2; x <= 2; x++) {
        for (int y = -2; y <= 2; y++) {
            float stored = texture(shadow_map, st + vec2(x, y) * texel).r;
            lit += (ndc.z - bias <= stored) ? 1.0 : 0.0;
        }
    }
    return lit / 25.0;
}

void main() {
    vec4 albedo = texture(albedo_map, uv);
    vec3 n = normalize(world_normal);
    n = mapped_normal(n);
    vec3 l = normalize(light_position - world_position);
    float n_dot_l = dot(n, l);
    float visibility = light_visibility(n_dot_l);
    vec3 v = normalize(camera_position - world_position);
    vec3 h = normalize(l + v);
    float spec = n_dot_l > 0.0 ? pow(max(dot(n, h), 0.0), shininess) : 0.0;
    vec3 color = albedo.rgb * (ambient + diffuse * max(n_dot_l, 0.0) * visibility) + specular * spec * visibility;
    out_color = vec4(min(color, vec3(1.0)), albedo.a);
}
