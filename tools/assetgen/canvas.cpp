// Canvas: float RGBA pictures with anti-aliased shape filling, masks, noise and PNG/JPEG output.
#include "canvas.h"

#include <algorithm>
#include <cmath>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

Rgba rgb(int r, int g, int b, float a) { return {r / 255.0f, g / 255.0f, b / 255.0f, a}; }

Rgba mix(Rgba a, Rgba b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba scaled(Rgba c, float brightness) { return {c.r * brightness, c.g * brightness, c.b * brightness, c.a}; }

Rgba with_alpha(Rgba c, float a) { return {c.r, c.g, c.b, a}; }

static float linear_channel(float v) {
  v = std::clamp(v, 0.0f, 1.0f);
  return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

float luminance(Rgba c) {
  return 0.2126f * linear_channel(c.r) + 0.7152f * linear_channel(c.g) + 0.0722f * linear_channel(c.b);
}

Canvas make_canvas(int width, int height, Rgba fill) {
  return Canvas{width, height, std::vector<Rgba>(size_t(width) * size_t(height), fill)};
}

Mask make_mask(int width, int height) {
  return Mask{width, height, std::vector<float>(size_t(width) * size_t(height), 0.0f)};
}

Rgba& at(Canvas& canvas, int x, int y) { return canvas.pixels[size_t(y) * size_t(canvas.width) + size_t(x)]; }

float& at(Mask& mask, int x, int y) { return mask.values[size_t(y) * size_t(mask.width) + size_t(x)]; }

static float mask_value(const Mask& mask, int x, int y) {
  if (x < 0 || y < 0 || x >= mask.width || y >= mask.height) return 0.0f;
  return mask.values[size_t(y) * size_t(mask.width) + size_t(x)];
}

void blend(Canvas& canvas, int x, int y, Rgba colour, float coverage) {
  if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return;
  float src_a = std::clamp(colour.a * coverage, 0.0f, 1.0f);
  if (src_a <= 0.0f) return;
  Rgba& dst = at(canvas, x, y);
  float out_a = src_a + dst.a * (1.0f - src_a);
  if (out_a <= 0.0f) return;
  float keep = dst.a * (1.0f - src_a);
  dst.r = (colour.r * src_a + dst.r * keep) / out_a;
  dst.g = (colour.g * src_a + dst.g * keep) / out_a;
  dst.b = (colour.b * src_a + dst.b * keep) / out_a;
  dst.a = out_a;
}

void fill_shape(Canvas& canvas, int x0, int y0, int x1, int y1, const Distance_Fn& distance,
                const Paint_Fn& paint) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, canvas.width);
  y1 = std::min(y1, canvas.height);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      float px = x + 0.5f, py = y + 0.5f;
      float coverage = std::clamp(0.5f - distance(px, py), 0.0f, 1.0f);
      if (coverage > 0.0f) blend(canvas, x, y, paint(px, py), coverage);
    }
  }
}

void fill_shape(Canvas& canvas, int x0, int y0, int x1, int y1, const Distance_Fn& distance, Rgba colour) {
  fill_shape(canvas, x0, y0, x1, y1, distance, [colour](float, float) { return colour; });
}

void paint_mask(Canvas& canvas, const Mask& mask, int x, int y, Rgba colour) {
  for (int my = 0; my < mask.height; ++my)
    for (int mx = 0; mx < mask.width; ++mx) {
      float v = mask.values[size_t(my) * size_t(mask.width) + size_t(mx)];
      if (v > 0.0f) blend(canvas, x + mx, y + my, colour, v);
    }
}

void draw_canvas(Canvas& target, const Canvas& source, int x, int y) {
  for (int sy = 0; sy < source.height; ++sy)
    for (int sx = 0; sx < source.width; ++sx) {
      const Rgba& c = source.pixels[size_t(sy) * size_t(source.width) + size_t(sx)];
      blend(target, x + sx, y + sy, c, 1.0f);
    }
}

// One horizontal or vertical box pass with the given radius.
static Mask box_pass(const Mask& in, int radius, bool horizontal) {
  Mask out = make_mask(in.width, in.height);
  float norm = 1.0f / float(2 * radius + 1);
  int lines = horizontal ? in.height : in.width;
  int length = horizontal ? in.width : in.height;
  for (int line = 0; line < lines; ++line) {
    auto sample = [&](int i) { return horizontal ? mask_value(in, i, line) : mask_value(in, line, i); };
    float sum = 0.0f;
    for (int i = -radius; i <= radius; ++i) sum += sample(i);
    for (int i = 0; i < length; ++i) {
      (horizontal ? at(out, i, line) : at(out, line, i)) = sum * norm;
      sum += sample(i + radius + 1) - sample(i - radius);
    }
  }
  return out;
}

Mask blurred(const Mask& mask, int radius) {
  if (radius <= 0) return mask;
  int r = std::max(1, radius / 2);
  Mask out = mask;
  for (int pass = 0; pass < 3; ++pass) out = box_pass(box_pass(out, r, true), r, false);
  return out;
}

Mask grown(const Mask& mask, float radius) {
  Mask out = make_mask(mask.width, mask.height);
  int r = int(std::ceil(radius)) + 1;
  // Disc offsets with their anti-aliased weight, nearest first so that covered pixels stop early.
  std::vector<glm::vec3> offsets;
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx) {
      float w = std::clamp(radius + 0.5f - std::sqrt(float(dx * dx + dy * dy)), 0.0f, 1.0f);
      if (w > 0.0f) offsets.push_back({float(dx), float(dy), w});
    }
  std::stable_sort(offsets.begin(), offsets.end(), [](const glm::vec3& a, const glm::vec3& b) {
    return a.x * a.x + a.y * a.y < b.x * b.x + b.y * b.y;
  });
  // Only the box around the mask's covered pixels can change.
  int x0 = mask.width, y0 = mask.height, x1 = -1, y1 = -1;
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x)
      if (mask_value(mask, x, y) > 0.0f) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
      }
  for (int y = std::max(0, y0 - r); y <= std::min(mask.height - 1, y1 + r); ++y)
    for (int x = std::max(0, x0 - r); x <= std::min(mask.width - 1, x1 + r); ++x) {
      float best = 0.0f;
      for (const glm::vec3& o : offsets) {
        float v = mask_value(mask, x + int(o.x), y + int(o.y)) * o.z;
        if (v > best) {
          best = v;
          if (best >= 1.0f) break;
        }
      }
      at(out, x, y) = best;
    }
  return out;
}

Mask shape_mask(int width, int height, const Distance_Fn& distance) {
  Mask mask = make_mask(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) at(mask, x, y) = std::clamp(0.5f - distance(x + 0.5f, y + 0.5f), 0.0f, 1.0f);
  return mask;
}

float sd_circle(float x, float y, float cx, float cy, float radius) {
  return std::hypot(x - cx, y - cy) - radius;
}

float sd_round_rect(float x, float y, float cx, float cy, float half_w, float half_h, float corner) {
  float qx = std::abs(x - cx) - (half_w - corner);
  float qy = std::abs(y - cy) - (half_h - corner);
  float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
  float inside = std::min(std::max(qx, qy), 0.0f);
  return outside + inside - corner;
}

float sd_convex_polygon(float x, float y, const std::vector<glm::vec2>& points) {
  // Largest signed distance to the edge lines: exact inside, a close bound outside.
  float d = -1e30f;
  glm::vec2 p(x, y);
  for (size_t i = 0; i < points.size(); ++i) {
    glm::vec2 a = points[i], b = points[(i + 1) % points.size()];
    glm::vec2 e = glm::normalize(b - a);
    glm::vec2 outward(e.y, -e.x);
    d = std::max(d, glm::dot(p - a, outward));
  }
  return d;
}

float sd_segment(float x, float y, glm::vec2 a, glm::vec2 b, float half_width) {
  glm::vec2 p(x, y), ab = b - a;
  float t = std::clamp(glm::dot(p - a, ab) / glm::dot(ab, ab), 0.0f, 1.0f);
  return glm::length(p - (a + ab * t)) - half_width;
}

float hash01(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  h *= 0x297a2d39u;
  h ^= h >> 15;
  return float(h & 0xffffffu) / float(0xffffff);
}

float value_noise(float x, float y, uint32_t seed) {
  float fx = std::floor(x), fy = std::floor(y);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * (3.0f - 2.0f * tx);
  ty = ty * ty * (3.0f - 2.0f * ty);
  uint32_t ix = uint32_t(int32_t(fx)), iy = uint32_t(int32_t(fy));
  float a = hash01(ix, iy, seed), b = hash01(ix + 1, iy, seed);
  float c = hash01(ix, iy + 1, seed), d = hash01(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float fractal_noise(float x, float y, int octaves, uint32_t seed) {
  float sum = 0.0f, weight = 0.5f, total = 0.0f;
  for (int i = 0; i < octaves; ++i) {
    sum += value_noise(x, y, seed + uint32_t(i) * 101u) * weight;
    total += weight;
    x *= 2.0f;
    y *= 2.0f;
    weight *= 0.5f;
  }
  return sum / total;
}

static std::vector<unsigned char> to_bytes(const Canvas& canvas) {
  std::vector<unsigned char> bytes(canvas.pixels.size() * 4);
  auto byte = [](float v) { return (unsigned char)std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
  for (size_t i = 0; i < canvas.pixels.size(); ++i) {
    const Rgba& p = canvas.pixels[i];
    bytes[i * 4 + 0] = byte(p.r);
    bytes[i * 4 + 1] = byte(p.g);
    bytes[i * 4 + 2] = byte(p.b);
    bytes[i * 4 + 3] = byte(p.a);
  }
  return bytes;
}

bool write_png(const std::string& path, const Canvas& canvas) {
  std::vector<unsigned char> bytes = to_bytes(canvas);
  return stbi_write_png(path.c_str(), canvas.width, canvas.height, 4, bytes.data(), canvas.width * 4) != 0;
}

bool write_jpg(const std::string& path, const Canvas& canvas, int quality) {
  std::vector<unsigned char> bytes = to_bytes(canvas);
  std::vector<unsigned char> rgb_bytes(size_t(canvas.width) * size_t(canvas.height) * 3);
  for (size_t i = 0; i < rgb_bytes.size() / 3; ++i)
    for (int c = 0; c < 3; ++c) rgb_bytes[i * 3 + size_t(c)] = bytes[i * 4 + size_t(c)];
  return stbi_write_jpg(path.c_str(), canvas.width, canvas.height, 3, rgb_bytes.data(), quality) != 0;
}
