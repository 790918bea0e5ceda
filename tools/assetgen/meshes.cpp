// Meshes: triangle shapes with flat facet normals, the gem cuts, and the OBJ writer.
#include "meshes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>

#include "canvas.h"

static constexpr float pi = std::numbers::pi_v<float>;

Ring circle_ring(int count, float radius, float z, float angle_offset_deg) {
  Ring ring;
  for (int i = 0; i < count; ++i) {
    float angle = (angle_offset_deg + 360.0f * float(i) / float(count)) * pi / 180.0f;
    ring.push_back({radius * std::cos(angle), radius * std::sin(angle), z});
  }
  return ring;
}

// Each facet samples its own patch of the texture, chosen by where the facet faces: upward facets
// near the middle, steep ones towards the rim. Neighbouring facets thus differ in tint, like a cut stone.
static glm::vec2 facet_uv(glm::vec3 normal, glm::vec3 corner, float reach) {
  glm::vec2 spread = glm::vec2(normal.x, normal.y) * 0.36f;
  glm::vec2 local = glm::vec2(corner.x, corner.y) / reach * 0.1f;
  glm::vec2 uv = glm::vec2(0.5f) + spread + local;
  return glm::clamp(uv, glm::vec2(0.02f), glm::vec2(0.98f));
}

void add_triangle(Shape& shape, glm::vec3 a, glm::vec3 b, glm::vec3 c, float reach) {
  glm::vec3 n = glm::cross(b - a, c - a);
  float len = glm::length(n);
  if (len < 1e-6f) return;  // degenerate: a ring that narrows to a point
  n /= len;
  Triangle t;
  t.corners[0] = a;
  t.corners[1] = b;
  t.corners[2] = c;
  for (int i = 0; i < 3; ++i) t.uvs[i] = facet_uv(n, t.corners[i], reach);
  t.normal = n;
  shape.triangles.push_back(t);
}

static float angle_of(glm::vec3 p) { return std::atan2(p.y, p.x); }

// Angles of a ring's points walked once around, counter-clockwise, from `first` on; one extra entry
// closes the loop at first + 2 pi.
static std::vector<float> unwrapped_angles(const Ring& ring, float first) {
  std::vector<float> angles{first};
  for (size_t k = 1; k < ring.size(); ++k) {
    float step = std::remainder(angle_of(ring[k]) - angle_of(ring[k - 1]), 2.0f * pi);
    if (step <= 0.0f) step += 2.0f * pi;
    angles.push_back(angles.back() + step);
  }
  angles.push_back(first + 2.0f * pi);
  return angles;
}

void add_band(Shape& shape, const Ring& lower, const Ring& upper, float reach) {
  // Zip the rings together in order of angle, starting at lower[0] and the upper point nearest to it.
  float base = angle_of(lower[0]);
  size_t shift = 0;
  float best = 1e9f;
  for (size_t j = 0; j < upper.size(); ++j) {
    float d = std::abs(std::remainder(angle_of(upper[j]) - base, 2.0f * pi));
    if (d < best - 1e-5f) {
      best = d;
      shift = j;
    }
  }
  Ring up(upper.size());
  for (size_t j = 0; j < upper.size(); ++j) up[j] = upper[(j + shift) % upper.size()];
  std::vector<float> lower_angles = unwrapped_angles(lower, 0.0f);
  std::vector<float> upper_angles = unwrapped_angles(up, std::remainder(angle_of(up[0]) - base, 2.0f * pi));
  size_t n = lower.size(), m = up.size();
  size_t i = 0, j = 0;
  while (i < n || j < m) {
    bool advance_lower = j == m || (i < n && lower_angles[i + 1] < upper_angles[j + 1]);
    if (advance_lower) {
      add_triangle(shape, lower[i % n], lower[(i + 1) % n], up[j % m], reach);
      ++i;
    } else {
      add_triangle(shape, lower[i % n], up[(j + 1) % m], up[j % m], reach);
      ++j;
    }
  }
}

void add_cap(Shape& shape, const Ring& ring, bool facing_up, float reach) {
  for (size_t k = 1; k + 1 < ring.size(); ++k) {
    if (facing_up) add_triangle(shape, ring[0], ring[k], ring[k + 1], reach);
    else add_triangle(shape, ring[0], ring[k + 1], ring[k], reach);
  }
}

Shape plane_shape() {
  Shape shape;
  glm::vec3 p[4] = {{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0.5f, 0.5f, 0}, {-0.5f, 0.5f, 0}};
  glm::vec2 uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  int tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
  for (auto& t : tris) {
    Triangle tri;
    for (int k = 0; k < 3; ++k) {
      tri.corners[k] = p[t[k]];
      tri.uvs[k] = uv[t[k]];
    }
    tri.normal = {0, 0, 1};
    shape.triangles.push_back(tri);
  }
  return shape;
}

// A closed solid from rings stacked bottom to top: bands between neighbours, and a flat face on the
// lowest and highest ring unless it is a single point.
static Shape stacked_rings(const std::vector<Ring>& rings, float reach) {
  Shape s;
  if (rings.front().size() > 2) add_cap(s, rings.front(), false, reach);
  for (size_t k = 0; k + 1 < rings.size(); ++k) add_band(s, rings[k], rings[k + 1], reach);
  if (rings.back().size() > 2) add_cap(s, rings.back(), true, reach);
  return s;
}

// Round brilliant: small flat culet, pavilion, girdle, crown and table.
Shape brilliant_shape() {
  return stacked_rings({circle_ring(8, 0.1f, 0.0f, 22.5f), circle_ring(8, 0.74f, 0.40f, 0.0f),
                        circle_ring(16, 1.05f, 0.62f, 0.0f), circle_ring(16, 1.05f, 0.70f, 0.0f),
                        circle_ring(8, 0.84f, 0.95f, 0.0f), circle_ring(8, 0.58f, 1.08f, 22.5f)},
                       1.05f);
}

// Hexagonal prism with a bevelled foot and a pointed six-sided termination.
Shape hex_crystal_shape() {
  return stacked_rings({circle_ring(6, 0.6f, 0.0f, 0.0f), circle_ring(6, 0.74f, 0.12f, 0.0f),
                        circle_ring(6, 0.74f, 1.1f, 0.0f), Ring{glm::vec3(0.0f, 0.0f, 1.6f)}},
                       0.74f);
}

// A rounded stone of many small facets: rings that alternate their angle.
Shape faceted_bead_shape() {
  return stacked_rings({circle_ring(8, 0.32f, 0.0f, 0.0f), circle_ring(16, 0.78f, 0.2f, 0.0f),
                        circle_ring(16, 0.97f, 0.52f, 11.25f), circle_ring(16, 0.9f, 0.86f, 0.0f),
                        circle_ring(16, 0.62f, 1.12f, 11.25f), circle_ring(8, 0.28f, 1.24f, 0.0f)},
                       0.97f);
}

// A chamfered block whose corners are nudged by fixed pseudo-random amounts: a rough stone.
Shape rough_block_shape() {
  const float reach = 0.8f;
  const float a = 0.78f, b = 0.62f, c = 0.2f;
  glm::vec2 outline[8] = {{a, -b + c}, {a, b - c}, {a - c, b},  {-a + c, b},
                          {-a, b - c}, {-a, -b + c}, {-a + c, -b}, {a - c, -b}};
  struct Level {
    float z, size, jitter;
  } levels[] = {{0.0f, 0.84f, 0.0f}, {0.14f, 1.0f, 0.05f}, {0.7f, 0.97f, 0.05f}, {0.86f, 0.78f, 0.04f}};
  std::vector<Ring> rings;
  uint32_t seed = 7;
  for (const Level& level : levels) {
    Ring ring;
    for (int k = 0; k < 8; ++k) {
      float jx = (hash01(uint32_t(k), seed, 1) - 0.5f) * 2.0f * level.jitter;
      float jy = (hash01(uint32_t(k), seed, 2) - 0.5f) * 2.0f * level.jitter;
      float jz = level.z == 0.0f ? 0.0f : (hash01(uint32_t(k), seed, 3) - 0.5f) * 1.2f * level.jitter;
      ring.push_back({outline[k].x * level.size + jx, outline[k].y * level.size + jy, level.z + jz});
    }
    rings.push_back(ring);
    ++seed;
  }
  // The top: a low peak instead of a flat face, so the block catches the light unevenly.
  rings.push_back(Ring{glm::vec3(0.06f, -0.04f, 0.95f)});
  return stacked_rings(rings, reach);
}

// Regular octahedron standing on one point.
Shape octahedron_shape() {
  return stacked_rings({Ring{glm::vec3(0.0f)}, circle_ring(4, 0.76f, 0.76f, 45.0f), Ring{glm::vec3(0.0f, 0.0f, 1.52f)}},
                       0.76f);
}

// Plain decimal with at most six fraction digits and no exponent.
static std::string number(float v) {
  char text[48];
  std::snprintf(text, sizeof text, "%.6f", double(v));
  std::string s = text;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0" || s.empty()) s = "0";
  return s;
}

bool write_obj(const std::string& path, const Shape& shape, const std::string& comment) {
  std::string v_text, vt_text, vn_text, f_text;
  std::map<std::string, int> v_index, vt_index, vn_index;
  auto index_of = [](std::map<std::string, int>& table, std::string& out, const std::string& line) {
    auto [it, added] = table.emplace(line, int(table.size()) + 1);
    if (added) out += line + "\n";
    return it->second;
  };
  for (const Triangle& t : shape.triangles) {
    f_text += "f";
    int vn = index_of(vn_index, vn_text,
                      "vn " + number(t.normal.x) + " " + number(t.normal.y) + " " + number(t.normal.z));
    for (int k = 0; k < 3; ++k) {
      const glm::vec3& p = t.corners[k];
      int v = index_of(v_index, v_text, "v " + number(p.x) + " " + number(p.y) + " " + number(p.z));
      int vt = index_of(vt_index, vt_text, "vt " + number(t.uvs[k].x) + " " + number(t.uvs[k].y));
      f_text += " " + std::to_string(v) + "/" + std::to_string(vt) + "/" + std::to_string(vn);
    }
    f_text += "\n";
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::string text = "# " + comment + "\n" + v_text + vt_text + vn_text + f_text;
  bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && ok;
}
