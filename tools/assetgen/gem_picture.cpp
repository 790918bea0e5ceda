// Gem pictures: a small software renderer that draws a gem's mesh, lit and faceted, for the overlays.
#include "gem_picture.h"

#include <algorithm>
#include <cmath>
#include <limits>

static constexpr int supersample = 4;

static Rgba sample(const Canvas& texture, glm::vec2 uv) {
  int x = std::clamp(int(uv.x * texture.width), 0, texture.width - 1);
  int y = std::clamp(int((1.0f - uv.y) * texture.height), 0, texture.height - 1);
  return texture.pixels[size_t(y) * size_t(texture.width) + size_t(x)];
}

Canvas render_gem_picture(Gem_Colour colour, int size, float yaw_deg, float pitch_deg) {
  Shape shape = gem_shape(colour);
  Canvas texture = gem_texture(colour);
  float yaw = glm::radians(yaw_deg), pitch = glm::radians(pitch_deg);
  glm::mat3 turn(glm::vec3(std::cos(yaw), std::sin(yaw), 0), glm::vec3(-std::sin(yaw), std::cos(yaw), 0),
                 glm::vec3(0, 0, 1));
  glm::vec3 right(1, 0, 0), up(0, std::sin(pitch), std::cos(pitch)), toward(0, -std::cos(pitch), std::sin(pitch));
  glm::vec3 light = glm::normalize(glm::vec3(-0.5f, -0.6f, 0.85f));
  glm::vec3 halfway = glm::normalize(light + toward);

  // Fit the projected gem into 86% of the picture.
  glm::vec2 lo(1e9f), hi(-1e9f);
  for (const Triangle& t : shape.triangles)
    for (const glm::vec3& p : t.corners) {
      glm::vec3 q = turn * p;
      glm::vec2 s(glm::dot(q, right), glm::dot(q, up));
      lo = glm::min(lo, s);
      hi = glm::max(hi, s);
    }
  int big = size * supersample;
  float scale = 0.86f * big / std::max(hi.x - lo.x, hi.y - lo.y);
  glm::vec2 middle = (lo + hi) * 0.5f;
  auto to_screen = [&](glm::vec3 p) {
    glm::vec3 q = turn * p;
    return glm::vec3(big * 0.5f + (glm::dot(q, right) - middle.x) * scale,
                     big * 0.5f - (glm::dot(q, up) - middle.y) * scale, glm::dot(q, toward));
  };

  std::vector<Rgba> colour_buffer(size_t(big) * size_t(big), Rgba{});
  std::vector<float> depth(size_t(big) * size_t(big), -std::numeric_limits<float>::infinity());
  std::vector<int> facet(size_t(big) * size_t(big), -1);  // triangle drawn at each sample
  for (size_t index = 0; index < shape.triangles.size(); ++index) {
    const Triangle& t = shape.triangles[index];
    glm::vec3 n = turn * t.normal;
    float facing = glm::dot(n, toward);
    if (facing <= 0.0f) continue;
    glm::vec2 uv_mid = (t.uvs[0] + t.uvs[1] + t.uvs[2]) / 3.0f;
    Rgba base = sample(texture, uv_mid);
    float diffuse = std::max(0.0f, glm::dot(n, light));
    float specular = std::pow(std::max(0.0f, glm::dot(n, halfway)), 28.0f) * 0.45f;
    float rim = std::pow(1.0f - facing, 2.0f) * 0.18f;
    Rgba lit = scaled(base, 0.42f + 0.72f * diffuse);
    lit = mix(lit, rgb(255, 255, 255), std::min(1.0f, specular + rim));
    lit.a = 1.0f;

    glm::vec3 a = to_screen(t.corners[0]), b = to_screen(t.corners[1]), c = to_screen(t.corners[2]);
    // Dividing by the signed area makes the weights positive inside, whichever way the triangle runs.
    float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (std::abs(area) < 1e-6f) continue;
    int x0 = std::max(0, int(std::floor(std::min({a.x, b.x, c.x}))));
    int x1 = std::min(big - 1, int(std::ceil(std::max({a.x, b.x, c.x}))));
    int y0 = std::max(0, int(std::floor(std::min({a.y, b.y, c.y}))));
    int y1 = std::min(big - 1, int(std::ceil(std::max({a.y, b.y, c.y}))));
    auto edge_fn = [](glm::vec3 p, glm::vec3 q, float x, float y) {
      return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x);
    };
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        float px = x + 0.5f, py = y + 0.5f;
        float w0 = edge_fn(b, c, px, py) / area, w1 = edge_fn(c, a, px, py) / area, w2 = edge_fn(a, b, px, py) / area;
        if (w0 < 0 || w1 < 0 || w2 < 0) continue;
        float z = w0 * a.z + w1 * b.z + w2 * c.z;
        size_t i = size_t(y) * size_t(big) + size_t(x);
        if (z <= depth[i]) continue;
        depth[i] = z;
        colour_buffer[i] = lit;
        facet[i] = int(index);
      }
  }
  // Where two facets that really differ in direction meet, the edge catches a thin line of light;
  // triangles of one flat face show no seam.
  std::vector<Rgba> shaded = colour_buffer;
  const int reach = supersample * 3 / 4;
  for (int y = 0; y < big; ++y)
    for (int x = 0; x < big; ++x) {
      int own = facet[size_t(y) * size_t(big) + size_t(x)];
      if (own < 0) continue;
      bool edge = false;
      for (int d = 1; d <= reach && !edge; ++d)
        for (glm::ivec2 o : {glm::ivec2(d, 0), glm::ivec2(-d, 0), glm::ivec2(0, d), glm::ivec2(0, -d)}) {
          int nx = x + o.x, ny = y + o.y;
          if (nx < 0 || ny < 0 || nx >= big || ny >= big) continue;
          int other = facet[size_t(ny) * size_t(big) + size_t(nx)];
          if (other >= 0 && other != own &&
              glm::dot(shape.triangles[size_t(own)].normal, shape.triangles[size_t(other)].normal) < 0.995f) {
            edge = true;
            break;
          }
        }
      if (edge) {
        Rgba& c = shaded[size_t(y) * size_t(big) + size_t(x)];
        c = mix(c, rgb(255, 255, 255), 0.16f);
        c.a = 1.0f;
      }
    }
  colour_buffer.swap(shaded);

  Canvas picture = make_canvas(size, size, Rgba{});
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < supersample; ++sy)
        for (int sx = 0; sx < supersample; ++sx) {
          const Rgba& c = colour_buffer[size_t(y * supersample + sy) * size_t(big) + size_t(x * supersample + sx)];
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      if (a > 0.0f) at(picture, x, y) = {r / a, g / a, b / a, a / float(supersample * supersample)};
    }
  return picture;
}
