// Asset generator: the asset kinds it writes and the gem palette they share.
#pragma once

#include <string>

#include "canvas.h"
#include "meshes.h"

enum class Gem_Colour { Red, Blue, Purple, Grey, Black, Yellow, White };

inline constexpr Gem_Colour all_gem_colours[] = {Gem_Colour::Red,   Gem_Colour::Blue,   Gem_Colour::Purple,
                                                 Gem_Colour::Grey,  Gem_Colour::Black,  Gem_Colour::Yellow,
                                                 Gem_Colour::White};

const char* colour_name(Gem_Colour colour);  // "red", "blue", ...
Rgba gem_base_colour(Gem_Colour colour);     // the colour a gem reads as
Rgba board_colour();                         // mean colour of the board surface

// The shape each colour's gem is drawn with (yellow and white share the black gem's).
Shape gem_shape(Gem_Colour colour);
// The colour texture of a gem.
Canvas gem_texture(Gem_Colour colour);

// Each writer puts its files under the run directory and returns false after printing what failed.
bool write_meshes(const std::string& run_dir);
bool write_textures(const std::string& run_dir);
bool write_overlays(const std::string& run_dir, const std::string& font_dir);
bool write_audio(const std::string& run_dir);
