// Textures: gem colours, the board surface, the finish plates, the flat normal map.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "assets.h"

static float smoothstep(float e0, float e1, float x) {
  float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

// Light and deep ends of a gem's colour: the middle of the texture glows, the rim is saturated.
static void gem_tones(Gem_Colour colour, Rgba& light, Rgba& deep) {
  Rgba base = gem_base_colour(colour);
  switch (colour) {
    case Gem_Colour::Black:
      light = rgb(64, 66, 80);
      deep = rgb(10, 10, 14);
      return;
    case Gem_Colour::White:
      light = rgb(252, 253, 255);
      deep = rgb(196, 206, 224);
      return;
    case Gem_Colour::Grey:
      light = rgb(184, 186, 190);
      deep = rgb(96, 98, 104);
      return;
    case Gem_Colour::Red:
      light = rgb(255, 96, 92);  // a glowing red, not pink
      deep = rgb(112, 12, 22);
      return;
    case Gem_Colour::Yellow:
      light = mix(base, rgb(255, 255, 255), 0.4f);
      deep = rgb(184, 112, 10);  // amber rather than olive at the rim
      return;
    default:
      light = mix(base, rgb(255, 255, 255), 0.34f);
      deep = scaled(base, 0.5f);
      return;
  }
}

Canvas gem_texture(Gem_Colour colour) {
  const int size = 256;
  Rgba light, deep;
  gem_tones(colour, light, deep);
  Canvas canvas = make_canvas(size, size, deep);
  uint32_t seed = uint32_t(colour) * 31u + 5u;
  bool stony = colour == Gem_Colour::Grey;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
      float r = std::hypot(u - 0.5f, v - 0.5f) / 0.62f;
      Rgba c = mix(light, deep, smoothstep(0.05f, 1.0f, r));
      // Inner fire: soft bands along the diagonal, and grain (stronger in the stone).
      float bands = 0.5f + 0.5f * std::sin((u + v) * 18.0f + value_noise(u * 6, v * 6, seed) * 4.0f);
      float grain = fractal_noise(u * 24.0f, v * 24.0f, 3, seed + 9) - 0.5f;
      float shade = 1.0f + (stony ? 0.22f : 0.05f) * grain + (stony ? 0.0f : 0.07f) * (bands - 0.5f);
      at(canvas, x, y) = scaled(c, shade);
      at(canvas, x, y).a = 1.0f;
    }
  return canvas;
}

// Blue-grey slate: broad tonal clouds, faint cleavage streaks and a fine grain.
static Canvas board_texture() {
  const int size = 1024;
  Rgba base = board_colour();
  Canvas canvas = make_canvas(size, size, base);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float u = float(x) / size, v = float(y) / size;
      float clouds = fractal_noise(u * 5.0f, v * 5.0f, 4, 101) - 0.5f;
      float streaks = fractal_noise(u * 3.0f, v * 40.0f, 3, 202) - 0.5f;
      float grain = hash01(uint32_t(x), uint32_t(y), 303) - 0.5f;
      float shade = 1.0f + 0.16f * clouds + 0.07f * streaks + 0.05f * grain;
      Rgba c = scaled(base, shade);
      c.b += 0.012f * clouds;  // a hint of colour drift, as in real slate
      at(canvas, x, y) = c;
    }
  return canvas;
}

// A ring socket in the finish's colour on a transparent plate. Transparent pixels carry the board's
// colour so that filtering at the ring's edge blends towards the board, not towards black.
static Canvas finish_texture(Gem_Colour colour) {
  const int size = 256;
  const float c = size * 0.5f;
  Rgba ring = gem_base_colour(colour);
  Canvas canvas = make_canvas(size, size, with_alpha(board_colour(), 0.0f));
  const float outer = 118.0f, inner = 86.0f;
  // Dark rim under the ring so that it separates from the board even for light colours.
  fill_shape(canvas, 0, 0, size, size,
             [&](float x, float y) { return std::abs(sd_circle(x, y, c, c, (outer + inner) * 0.5f)) - (outer - inner) * 0.5f - 3.0f; },
             rgb(8, 10, 14, 0.55f));
  // Faint fill inside, so the socket reads as a place.
  fill_shape(canvas, 0, 0, size, size, [&](float x, float y) { return sd_circle(x, y, c, c, inner); },
             with_alpha(ring, 0.2f));
  // The ring itself, lit from the top left.
  fill_shape(canvas, 0, 0, size, size,
             [&](float x, float y) { return std::abs(sd_circle(x, y, c, c, (outer + inner) * 0.5f)) - (outer - inner) * 0.5f; },
             [&](float x, float y) {
               float across = (std::hypot(x - c, y - c) - inner) / (outer - inner);  // 0 inner, 1 outer
               float facing = -((x - c) + (y - c)) / std::max(1.0f, std::hypot(x - c, y - c)) * 0.7071f;
               float bevel = 1.0f + 0.28f * facing * (across > 0.5f ? 1.0f : -1.0f);
               float ridge = 1.0f - 0.25f * std::abs(across - 0.5f);
               Rgba lit = scaled(ring, bevel * ridge);
               lit.a = 1.0f;
               return lit;
             });
  // Four small marks pointing at the centre.
  for (int k = 0; k < 4; ++k) {
    float angle = k * 1.5707964f + 0.7853982f;
    glm::vec2 dir(std::cos(angle), std::sin(angle));
    glm::vec2 a = glm::vec2(c) + dir * (inner - 14.0f), b = glm::vec2(c) + dir * (inner - 30.0f);
    fill_shape(canvas, 0, 0, size, size, [&](float x, float y) { return sd_segment(x, y, a, b, 4.0f); },
               with_alpha(ring, 0.85f));
  }
  return canvas;
}

// Normal maps store (x, y, z) * 0.5 + 0.5; a flat surface points straight out.
static Canvas flat_normal_texture() { return make_canvas(16, 16, rgb(128, 128, 255)); }

static bool save_png(const std::string& path, const Canvas& canvas) {
  if (write_png(path, canvas)) return true;
  std::fprintf(stderr, "assetgen: could not write %s\n", path.c_str());
  return false;
}

bool write_textures(const std::string& run_dir) {
  std::string dir = run_dir + "/textures/";
  bool ok = save_png(dir + "default_normal.png", flat_normal_texture());
  struct Gem_File {
    const char* name;
    Gem_Colour colour;
  } gems[] = {{"red", Gem_Colour::Red},       {"yellow", Gem_Colour::Yellow}, {"cyan", Gem_Colour::Blue},
              {"purple", Gem_Colour::Purple}, {"white", Gem_Colour::White},   {"grey", Gem_Colour::Grey},
              {"black", Gem_Colour::Black}};
  for (const Gem_File& gem : gems) ok = save_png(dir + gem.name + ".png", gem_texture(gem.colour)) && ok;
  if (!write_jpg(dir + "board.jpg", board_texture(), 92)) {
    std::fprintf(stderr, "assetgen: could not write %sboard.jpg\n", dir.c_str());
    ok = false;
  }
  for (Gem_Colour colour : {Gem_Colour::Red, Gem_Colour::Blue, Gem_Colour::Grey, Gem_Colour::Purple,
                            Gem_Colour::White, Gem_Colour::Yellow})
    ok = save_png(dir + "finish_textures/" + colour_name(colour) + "_finish.png", finish_texture(colour)) && ok;
  return ok;
}
