// Gems: the palette, each colour's shape, and the mesh files of the gems and the plane.
#include <cstdio>

#include "assets.h"

const char* colour_name(Gem_Colour colour) {
  switch (colour) {
    case Gem_Colour::Red: return "red";
    case Gem_Colour::Blue: return "blue";
    case Gem_Colour::Purple: return "purple";
    case Gem_Colour::Grey: return "grey";
    case Gem_Colour::Black: return "black";
    case Gem_Colour::Yellow: return "yellow";
    case Gem_Colour::White: return "white";
  }
  return "";
}

Rgba gem_base_colour(Gem_Colour colour) {
  switch (colour) {
    case Gem_Colour::Red: return rgb(214, 38, 52);
    case Gem_Colour::Blue: return rgb(36, 168, 226);
    case Gem_Colour::Purple: return rgb(148, 66, 204);
    case Gem_Colour::Grey: return rgb(150, 152, 156);
    case Gem_Colour::Black: return rgb(30, 30, 38);
    case Gem_Colour::Yellow: return rgb(246, 196, 36);
    case Gem_Colour::White: return rgb(236, 240, 248);
  }
  return rgb(255, 0, 255);
}

Rgba board_colour() { return rgb(92, 102, 112); }

Shape gem_shape(Gem_Colour colour) {
  switch (colour) {
    case Gem_Colour::Red: return brilliant_shape();
    case Gem_Colour::Blue: return hex_crystal_shape();
    case Gem_Colour::Purple: return faceted_bead_shape();
    case Gem_Colour::Grey: return rough_block_shape();
    default: return octahedron_shape();
  }
}

bool write_meshes(const std::string& run_dir) {
  struct Mesh_File {
    const char* path;
    Shape shape;
    const char* comment;
  } files[] = {
      {"meshes/plane.obj", plane_shape(), "unit square in z = 0, facing +z"},
      {"meshes/red_gem.obj", brilliant_shape(), "red gem: round brilliant cut"},
      {"meshes/blue_gem.obj", hex_crystal_shape(), "blue gem: hexagonal crystal"},
      {"meshes/purple_gem.obj", faceted_bead_shape(), "purple gem: rounded many-faceted stone"},
      {"meshes/grey_gem.obj", rough_block_shape(), "grey gem: rough block"},
      {"meshes/black_gem.obj", octahedron_shape(), "black, yellow and white gems: octahedron"},
  };
  for (const Mesh_File& file : files) {
    std::string path = run_dir + "/" + file.path;
    std::string comment = std::string(file.comment) + "; z up, counter-clockwise seen from outside";
    if (!write_obj(path, file.shape, comment)) {
      std::fprintf(stderr, "assetgen: could not write %s\n", path.c_str());
      return false;
    }
  }
  return true;
}
