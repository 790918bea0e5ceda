// Text: TrueType glyphs rasterised with stb_truetype into masks, with measuring and word wrapping.
#pragma once

#include <string>
#include <vector>

#include <stb_truetype.h>

#include "canvas.h"

struct Font {
  std::vector<unsigned char> data;
  stbtt_fontinfo info{};
};

// False when the file cannot be read or is not a font.
bool load_font(Font& font, const std::string& path);

// Width in pixels of a line set at `size` pixels (the font's ascent minus descent).
float text_width(const Font& font, float size, const std::string& text);
float ascent_px(const Font& font, float size);
float line_height(const Font& font, float size);

// Adds the coverage of a line of text to the mask, the baseline starting at (x, baseline).
void draw_text(Mask& mask, const Font& font, float size, float x, float baseline, const std::string& text);

// Breaks text at spaces into lines no wider than max_width.
std::vector<std::string> wrap_text(const Font& font, float size, const std::string& text, float max_width);
