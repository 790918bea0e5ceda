// Meshes: triangle shapes with flat facet normals, the gem cuts, and the OBJ writer.
#pragma once

#include <string>
#include <vector>

#include <glm/glm.hpp>

struct Triangle {
  glm::vec3 corners[3];
  glm::vec2 uvs[3];
  glm::vec3 normal;  // unit, from the corners' counter-clockwise order
};

struct Shape {
  std::vector<Triangle> triangles;
};

// A closed loop of points around the z axis, counter-clockwise seen from above.
using Ring = std::vector<glm::vec3>;

Ring circle_ring(int count, float radius, float z, float angle_offset_deg);
// Adds a triangle; `reach` is the shape's radius, used to spread the facets over the texture.
void add_triangle(Shape& shape, glm::vec3 a, glm::vec3 b, glm::vec3 c, float reach);
// Joins a lower ring to an upper ring with outward-facing triangles (either ring may be one point).
void add_band(Shape& shape, const Ring& lower, const Ring& upper, float reach);
// Closes a ring with a fan facing up (top) or down (bottom).
void add_cap(Shape& shape, const Ring& ring, bool facing_up, float reach);

Shape plane_shape();  // unit square in z = 0, normal +z, uv 0..1
Shape brilliant_shape();
Shape hex_crystal_shape();
Shape faceted_bead_shape();
Shape rough_block_shape();
Shape octahedron_shape();

// Writes the OBJ subset the game reads: v, vt, vn, triangular f a/b/c, comments; plain decimals.
bool write_obj(const std::string& path, const Shape& shape, const std::string& comment);
