// What the game's asset files are meant to be: paths, picture sizes, sound lengths, gem scales.
#pragma once

#include <string>
#include <vector>

enum class Picture_Kind { Opaque, Finish_Plate, Card, Logo, Label, Keys };

struct Picture_Spec {
  std::string path;
  int width, height;
  Picture_Kind kind;
  std::string colour;  // the colour it should read as ("" when it has none)
};

struct Sound_Spec {
  std::string path;
  double seconds;
  bool looped;
};

struct Gem_Mesh_Spec {
  std::string path;
  float scale;  // the smallest scale is the safe one for the cell, the largest for the sphere
};

inline const std::vector<Picture_Spec> picture_specs = {
    {"textures/default_normal.png", 16, 16, Picture_Kind::Opaque, ""},
    {"textures/black.png", 256, 256, Picture_Kind::Opaque, "black"},
    {"textures/board.jpg", 1024, 1024, Picture_Kind::Opaque, ""},
    {"textures/red.png", 256, 256, Picture_Kind::Opaque, "red"},
    {"textures/yellow.png", 256, 256, Picture_Kind::Opaque, "yellow"},
    {"textures/cyan.png", 256, 256, Picture_Kind::Opaque, "blue"},
    {"textures/purple.png", 256, 256, Picture_Kind::Opaque, "purple"},
    {"textures/white.png", 256, 256, Picture_Kind::Opaque, "white"},
    {"textures/grey.png", 256, 256, Picture_Kind::Opaque, "grey"},
    {"textures/finish_textures/red_finish.png", 256, 256, Picture_Kind::Finish_Plate, "red"},
    {"textures/finish_textures/blue_finish.png", 256, 256, Picture_Kind::Finish_Plate, "blue"},
    {"textures/finish_textures/grey_finish.png", 256, 256, Picture_Kind::Finish_Plate, "grey"},
    {"textures/finish_textures/purple_finish.png", 256, 256, Picture_Kind::Finish_Plate, "purple"},
    {"textures/finish_textures/white_finish.png", 256, 256, Picture_Kind::Finish_Plate, "white"},
    {"textures/finish_textures/yellow_finish.png", 256, 256, Picture_Kind::Finish_Plate, "yellow"},
    {"textures/overlays/loading.png", 512, 128, Picture_Kind::Label, ""},
    {"textures/overlays/logo.png", 1024, 640, Picture_Kind::Logo, ""},
    {"textures/overlays/u3.png", 128, 128, Picture_Kind::Keys, ""},
    {"textures/overlays/arrow_keys.png", 392, 260, Picture_Kind::Keys, ""},
    {"textures/overlays/space_arrow_keys.png", 816, 260, Picture_Kind::Keys, ""},
    {"textures/overlays/red_tooltip.png", 1024, 512, Picture_Kind::Card, "red"},
    {"textures/overlays/blue_tooltip.png", 1024, 512, Picture_Kind::Card, "blue"},
    {"textures/overlays/black_tooltip.png", 1024, 512, Picture_Kind::Card, "black"},
    {"textures/overlays/grey_tooltip.png", 1024, 512, Picture_Kind::Card, "grey"},
    {"textures/overlays/white_tooltip.png", 1024, 512, Picture_Kind::Card, "white"},
    {"textures/overlays/purple_tooltip.png", 1024, 512, Picture_Kind::Card, "purple"},
    {"textures/overlays/yellow_tooltip.png", 1024, 512, Picture_Kind::Card, "yellow"},
};

inline const std::vector<Sound_Spec> sound_specs = {
    {"audio/drox_intro.mp3", 8.0, false},
    {"audio/drox_mainmenu_loop.wav", 8.0, true},
    {"audio/drox_mainloop_new.mp3", 48.0, true},
    {"audio/effects/level_finish2.mp3", 1.8, false},
    {"audio/effects/gems/red_sfx.mp3", 0.8, false},
    {"audio/effects/gems/yellow_sfx.mp3", 1.1, false},
    {"audio/effects/gems/blue_sfx.mp3", 0.8, false},
    {"audio/effects/gems/purple_sfx.mp3", 1.15, false},
    {"audio/effects/activation/activation.mp3", 0.6, false},
};

// black_gem.obj also serves the yellow and white gems; all three use scale 0.3.
inline const std::vector<Gem_Mesh_Spec> gem_mesh_specs = {
    {"meshes/red_gem.obj", 0.3f},  {"meshes/blue_gem.obj", 0.28f}, {"meshes/purple_gem.obj", 0.35f},
    {"meshes/grey_gem.obj", 0.3f}, {"meshes/black_gem.obj", 0.3f},
};

inline std::vector<std::string> all_asset_paths() {
  std::vector<std::string> paths = {"meshes/plane.obj"};
  for (const Gem_Mesh_Spec& g : gem_mesh_specs) paths.push_back(g.path);
  for (const Picture_Spec& p : picture_specs) paths.push_back(p.path);
  for (const Sound_Spec& s : sound_specs) paths.push_back(s.path);
  return paths;
}
