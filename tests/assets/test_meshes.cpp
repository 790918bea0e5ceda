// Mesh files: the OBJ subset the game reads, outward winding with matching normals, closed gem
// surfaces, gem sizes against a cell and the picking sphere, and the exact unit plane.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <glm/glm.hpp>

#include "asset_table.h"

namespace {

struct Corner {
  int v, vt, vn;  // zero-based
};

struct Obj {
  std::vector<glm::vec3> positions;
  std::vector<glm::vec2> uvs;
  std::vector<glm::vec3> normals;
  std::vector<std::array<Corner, 3>> faces;
};

// Reads an OBJ file, keeping strictly to the subset the game's reader takes: comment lines and
// single-space separated v, vt, vn and triangular f a/b/c lines; numbers plain decimals with at most
// six fraction digits. Anything else is reported and makes the result empty.
bool read_strict_obj(const std::string& path, Obj& obj, std::string& problem) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problem = "cannot open " + path;
    return false;
  }
  const std::string num = R"((-?[0-9]+(?:\.[0-9]{1,6})?))";
  const std::string idx = R"(([1-9][0-9]*)/([1-9][0-9]*)/([1-9][0-9]*))";
  const std::regex v_re("v " + num + " " + num + " " + num);
  const std::regex vt_re("vt " + num + " " + num);
  const std::regex vn_re("vn " + num + " " + num + " " + num);
  const std::regex f_re("f " + idx + " " + idx + " " + idx);
  std::string line;
  int line_number = 0;
  std::smatch m;
  while (std::getline(in, line)) {
    ++line_number;
    if (line.empty() || line[0] == '#') continue;
    if (std::regex_match(line, m, v_re)) {
      obj.positions.push_back({std::stof(m[1]), std::stof(m[2]), std::stof(m[3])});
    } else if (std::regex_match(line, m, vt_re)) {
      obj.uvs.push_back({std::stof(m[1]), std::stof(m[2])});
    } else if (std::regex_match(line, m, vn_re)) {
      obj.normals.push_back({std::stof(m[1]), std::stof(m[2]), std::stof(m[3])});
    } else if (std::regex_match(line, m, f_re)) {
      std::array<Corner, 3> face;
      for (int k = 0; k < 3; ++k)
        face[size_t(k)] = {std::stoi(m[1 + 3 * k]) - 1, std::stoi(m[2 + 3 * k]) - 1, std::stoi(m[3 + 3 * k]) - 1};
      obj.faces.push_back(face);
    } else {
      problem = path + " line " + std::to_string(line_number) + " is outside the subset: \"" + line + "\"";
      return false;
    }
  }
  for (const auto& face : obj.faces)
    for (const Corner& c : face)
      if (c.v >= int(obj.positions.size()) || c.vt >= int(obj.uvs.size()) || c.vn >= int(obj.normals.size())) {
        problem = path + ": a face refers past the end of its lists";
        return false;
      }
  if (obj.faces.empty()) {
    problem = path + " has no faces";
    return false;
  }
  return true;
}

Obj load(const std::string& path) {
  Obj obj;
  std::string problem;
  EXPECT_TRUE(read_strict_obj(path, obj, problem)) << problem;
  return obj;
}

glm::vec3 geometric_normal(const Obj& obj, const std::array<Corner, 3>& f) {
  glm::vec3 a = obj.positions[size_t(f[0].v)], b = obj.positions[size_t(f[1].v)], c = obj.positions[size_t(f[2].v)];
  return glm::cross(b - a, c - a);
}

glm::vec3 centroid(const Obj& obj, const std::array<Corner, 3>& f) {
  return (obj.positions[size_t(f[0].v)] + obj.positions[size_t(f[1].v)] + obj.positions[size_t(f[2].v)]) / 3.0f;
}

}  // namespace

TEST(AssetMeshes, EveryMeshKeepsToTheReadersSubset) {
  for (const std::string& path : all_asset_paths()) {
    if (path.rfind("meshes/", 0) != 0) continue;
    Obj obj;
    std::string problem;
    EXPECT_TRUE(read_strict_obj(path, obj, problem)) << problem;
  }
}

TEST(AssetMeshes, GemsAreClosedOutwardAndFlatShaded) {
  for (const Gem_Mesh_Spec& spec : gem_mesh_specs) {
    SCOPED_TRACE(spec.path);
    Obj obj = load(spec.path);
    glm::vec3 middle(0.0f);
    for (const glm::vec3& p : obj.positions) middle += p;
    middle /= float(obj.positions.size());
    // Each directed edge must appear once, and its reverse once: a closed surface wound one way.
    std::map<std::pair<int, int>, int> edges;
    for (const auto& face : obj.faces) {
      glm::vec3 n = geometric_normal(obj, face);
      ASSERT_GT(glm::length(n), 1e-7f) << "degenerate triangle";
      n = glm::normalize(n);
      for (const Corner& c : face) {
        glm::vec3 vn = obj.normals[size_t(c.vn)];
        EXPECT_NEAR(glm::length(vn), 1.0f, 1e-3f);
        EXPECT_GT(glm::dot(n, vn), 0.999f) << "vn does not match the face's own normal";
      }
      EXPECT_GT(glm::dot(n, centroid(obj, face) - middle), 0.0f) << "face points into the gem";
      for (int k = 0; k < 3; ++k) ++edges[{face[size_t(k)].v, face[size_t((k + 1) % 3)].v}];
    }
    for (const auto& [edge, count] : edges) {
      EXPECT_EQ(count, 1) << "edge " << edge.first << "-" << edge.second << " used twice the same way";
      EXPECT_EQ(edges.count({edge.second, edge.first}), 1u) << "open edge " << edge.first << "-" << edge.second;
    }
  }
}

TEST(AssetMeshes, GemsStandOnTheBoardInsideACellAndThePickingSphere) {
  for (const Gem_Mesh_Spec& spec : gem_mesh_specs) {
    SCOPED_TRACE(spec.path);
    Obj obj = load(spec.path);
    glm::vec3 lo(1e9f), hi(-1e9f);
    float reach = 0.0f;
    for (const glm::vec3& p : obj.positions) {
      lo = glm::min(lo, p);
      hi = glm::max(hi, p);
      reach = std::max(reach, glm::length(p));
    }
    EXPECT_NEAR(lo.z, 0.0f, 1e-6f) << "the gem must stand on z = 0";
    EXPECT_NEAR((lo.x + hi.x) * 0.5f, 0.0f, 0.05f) << "off centre in x";
    EXPECT_NEAR((lo.y + hi.y) * 0.5f, 0.0f, 0.05f) << "off centre in y";
    float half_width = std::max({-lo.x, hi.x, -lo.y, hi.y}) * spec.scale;
    EXPECT_LT(half_width, 0.45f) << "wider than a cell leaves room for";
    EXPECT_GT(half_width, 0.12f) << "too small to see";
    EXPECT_LE(reach * spec.scale, 0.5f) << "reaches outside the picking sphere";
  }
}

TEST(AssetMeshes, PlaneIsTheUnitSquareFacingUp) {
  Obj obj = load("meshes/plane.obj");
  ASSERT_EQ(obj.faces.size(), 2u);
  float area = 0.0f;
  for (const auto& face : obj.faces) {
    glm::vec3 n = geometric_normal(obj, face);
    area += 0.5f * glm::length(n);
    EXPECT_GT(n.z, 0.0f) << "wound clockwise seen from above";
    for (const Corner& c : face) {
      glm::vec3 p = obj.positions[size_t(c.v)];
      glm::vec2 uv = obj.uvs[size_t(c.vt)];
      EXPECT_EQ(std::abs(p.x), 0.5f);
      EXPECT_EQ(std::abs(p.y), 0.5f);
      EXPECT_EQ(p.z, 0.0f);
      EXPECT_EQ(uv.x, p.x + 0.5f);
      EXPECT_EQ(uv.y, p.y + 0.5f);
      EXPECT_EQ(obj.normals[size_t(c.vn)], glm::vec3(0, 0, 1));
    }
  }
  EXPECT_FLOAT_EQ(area, 1.0f) << "the two triangles must cover the square once";
}
