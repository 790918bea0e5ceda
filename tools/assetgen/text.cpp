// Text: TrueType glyphs rasterised with stb_truetype into masks, with measuring and word wrapping.
#define STB_TRUETYPE_IMPLEMENTATION
#include "text.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

bool load_font(Font& font, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  font.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (font.data.empty()) return false;
  int offset = stbtt_GetFontOffsetForIndex(font.data.data(), 0);
  return offset >= 0 && stbtt_InitFont(&font.info, font.data.data(), offset) != 0;
}

// Code points of a UTF-8 string; malformed bytes are skipped.
static std::vector<int> code_points(const std::string& text) {
  std::vector<int> out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = (unsigned char)text[i];
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + size_t(extra) >= text.size()) {
      ++i;
      continue;
    }
    int cp = extra == 0 ? c : c & (0x3f >> extra);
    for (int k = 1; k <= extra; ++k) cp = (cp << 6) | ((unsigned char)text[i + size_t(k)] & 0x3f);
    out.push_back(cp);
    i += size_t(extra) + 1;
  }
  return out;
}

static float scale_for(const Font& font, float size) { return stbtt_ScaleForPixelHeight(&font.info, size); }

float ascent_px(const Font& font, float size) {
  int ascent, descent, gap;
  stbtt_GetFontVMetrics(&font.info, &ascent, &descent, &gap);
  return ascent * scale_for(font, size);
}

float line_height(const Font& font, float size) {
  int ascent, descent, gap;
  stbtt_GetFontVMetrics(&font.info, &ascent, &descent, &gap);
  return (ascent - descent + gap) * scale_for(font, size);
}

float text_width(const Font& font, float size, const std::string& text) {
  float scale = scale_for(font, size);
  std::vector<int> cps = code_points(text);
  float x = 0.0f;
  for (size_t i = 0; i < cps.size(); ++i) {
    int advance, bearing;
    stbtt_GetCodepointHMetrics(&font.info, cps[i], &advance, &bearing);
    x += advance * scale;
    if (i + 1 < cps.size()) x += stbtt_GetCodepointKernAdvance(&font.info, cps[i], cps[i + 1]) * scale;
  }
  return x;
}

void draw_text(Mask& mask, const Font& font, float size, float x, float baseline, const std::string& text) {
  float scale = scale_for(font, size);
  std::vector<int> cps = code_points(text);
  int base = int(std::floor(baseline));
  float base_shift = baseline - float(base);
  for (size_t i = 0; i < cps.size(); ++i) {
    int advance, bearing;
    stbtt_GetCodepointHMetrics(&font.info, cps[i], &advance, &bearing);
    int ix = int(std::floor(x));
    float shift_x = x - float(ix);
    int x0, y0, x1, y1;
    stbtt_GetCodepointBitmapBoxSubpixel(&font.info, cps[i], scale, scale, shift_x, base_shift, &x0, &y0, &x1, &y1);
    int w = x1 - x0, h = y1 - y0;
    if (w > 0 && h > 0) {
      std::vector<unsigned char> glyph(size_t(w) * size_t(h));
      stbtt_MakeCodepointBitmapSubpixel(&font.info, glyph.data(), w, h, w, scale, scale, shift_x, base_shift,
                                        cps[i]);
      for (int gy = 0; gy < h; ++gy)
        for (int gx = 0; gx < w; ++gx) {
          int mx = ix + x0 + gx, my = base + y0 + gy;
          if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height) continue;
          float v = glyph[size_t(gy) * size_t(w) + size_t(gx)] / 255.0f;
          float& dst = at(mask, mx, my);
          dst = std::min(1.0f, dst + v);
        }
    }
    x += advance * scale;
    if (i + 1 < cps.size()) x += stbtt_GetCodepointKernAdvance(&font.info, cps[i], cps[i + 1]) * scale;
  }
}

std::vector<std::string> wrap_text(const Font& font, float size, const std::string& text, float max_width) {
  std::vector<std::string> lines;
  std::string line;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(start, end - start);
    std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && text_width(font, size, candidate) > max_width) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    start = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}
