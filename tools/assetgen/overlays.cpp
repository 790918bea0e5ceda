// Overlay pictures: loading label, logo, key caps and the help card of each gem colour.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "assets.h"
#include "gem_picture.h"
#include "text.h"

namespace {

struct Fonts {
  Font bold;
  Font regular;
};

// Contrast ratio of two colours (1 = none, 21 = black on white).
float contrast(Rgba a, Rgba b) {
  float la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05f) / (std::min(la, lb) + 0.05f);
}

// The colour moved towards white until it reads on `background` with at least the given contrast.
Rgba readable_on(Rgba colour, Rgba background, float wanted) {
  for (float t = 0.0f; t <= 1.0f; t += 0.05f) {
    Rgba c = mix(colour, rgb(255, 255, 255), t);
    if (contrast(c, background) >= wanted) return with_alpha(c, 1.0f);
  }
  return rgb(255, 255, 255);
}

// A line of text as a mask the size of the canvas.
Mask text_mask(const Canvas& canvas, const Font& font, float size, float x, float baseline, const std::string& text) {
  Mask mask = make_mask(canvas.width, canvas.height);
  draw_text(mask, font, size, x, baseline, text);
  return mask;
}

void draw_text_with_halo(Canvas& canvas, const Font& font, float size, float x, float baseline,
                         const std::string& text, Rgba ink, Rgba halo, float halo_radius) {
  Mask mask = text_mask(canvas, font, size, x, baseline, text);
  if (halo_radius > 0.0f) paint_mask(canvas, grown(mask, halo_radius), 0, 0, halo);
  paint_mask(canvas, mask, 0, 0, ink);
}

// ---- loading label ------------------------------------------------------------------------------

Canvas loading_picture(const Fonts& fonts) {
  Canvas canvas = make_canvas(512, 128, with_alpha(rgb(255, 255, 255), 0.0f));
  const float size = 64.0f;
  std::string text = "Loading…";
  float width = text_width(fonts.bold, size, text);
  float x = 512.0f - 24.0f - width;
  // Dark ink with a white halo: it sits on the intro's white, and still reads on anything darker.
  draw_text_with_halo(canvas, fonts.bold, size, x, 86.0f, text, rgb(34, 38, 52), rgb(255, 255, 255, 0.9f), 4.0f);
  // Three small gems ahead of the word.
  Gem_Colour dots[] = {Gem_Colour::Red, Gem_Colour::Yellow, Gem_Colour::Blue};
  for (int k = 0; k < 3; ++k) {
    Canvas gem = render_gem_picture(dots[k], 44, 20.0f + 15.0f * k, 30.0f);
    draw_canvas(canvas, gem, int(x) - 150 + k * 44, 42);
  }
  return canvas;
}

// ---- logo ---------------------------------------------------------------------------------------

Canvas logo_picture(const Fonts& fonts) {
  const int w = 1024, h = 640;
  Canvas canvas = make_canvas(w, h, with_alpha(rgb(20, 24, 40), 0.0f));
  // A row of the seven gems on a gentle arc above the title.
  Gem_Colour order[] = {Gem_Colour::Grey,   Gem_Colour::Blue,  Gem_Colour::Red,  Gem_Colour::Yellow,
                        Gem_Colour::Purple, Gem_Colour::White, Gem_Colour::Black};
  for (int k = 0; k < 7; ++k) {
    float t = (k - 3) / 3.0f;
    int gem_size = k == 3 ? 190 : 160;
    int cx = int(w * 0.5f + t * 400.0f), cy = int(226.0f + t * t * 40.0f);
    Mask shadow = shape_mask(w, h, [&](float x, float y) {
      return std::hypot((x - cx) / 1.0f, (y - (cy + gem_size * 0.42f)) * 3.2f) - gem_size * 0.36f;
    });
    paint_mask(canvas, blurred(shadow, 10), 0, 0, rgb(10, 12, 20, 0.45f));
    Canvas gem = render_gem_picture(order[k], gem_size, 18.0f + 9.0f * k, 26.0f);
    draw_canvas(canvas, gem, cx - gem_size / 2, cy - gem_size / 2);
  }
  // The title: a warm fill with a dark outline and shadow, so it reads over white and over the board.
  const float size = 250.0f;
  std::string title = "morvu";
  float x = (w - text_width(fonts.bold, size, title)) * 0.5f;
  float baseline = 548.0f;
  Mask letters = text_mask(canvas, fonts.bold, size, x, baseline, title);
  Mask outline = grown(letters, 9.0f);
  Mask shadow = blurred(grown(letters, 12.0f), 14);
  paint_mask(canvas, shadow, 8, 12, rgb(6, 8, 16, 0.55f));
  paint_mask(canvas, outline, 0, 0, rgb(22, 26, 46));
  float top = baseline - ascent_px(fonts.bold, size) * 0.78f;
  for (int y = 0; y < h; ++y)
    for (int xx = 0; xx < w; ++xx) {
      float v = at(letters, xx, y);
      if (v <= 0.0f) continue;
      float t = std::clamp((y - top) / (baseline - top), 0.0f, 1.0f);
      Rgba fill = mix(rgb(255, 236, 150), rgb(246, 132, 52), t);
      // A lighter band across the upper half, like light on polished stone.
      if (t > 0.22f && t < 0.36f) fill = mix(fill, rgb(255, 255, 255), 0.35f);
      blend(canvas, xx, y, fill, v);
    }
  return canvas;
}

// ---- key caps -----------------------------------------------------------------------------------

// One key: a rounded cap with a darker skirt below and a lighter top face.
void draw_key(Canvas& canvas, float x, float y, float w, float h) {
  const float corner = 18.0f, skirt = 10.0f;
  float cx = x + w * 0.5f, cy = y + h * 0.5f;
  int x0 = int(x) - 2, y0 = int(y) - 2, x1 = int(x + w) + 3, y1 = int(y + h) + 3;
  fill_shape(canvas, x0, y0, x1, y1,
             [&](float px, float py) { return sd_round_rect(px, py, cx, cy, w * 0.5f, h * 0.5f, corner); },
             rgb(24, 28, 38));
  fill_shape(canvas, x0, y0, x1, y1,
             [&](float px, float py) { return sd_round_rect(px, py, cx, cy, w * 0.5f - 3, h * 0.5f - 3, corner - 3); },
             rgb(150, 156, 168));
  float top_h = h - 6 - skirt;
  float top_cy = y + 3 + top_h * 0.5f;
  fill_shape(canvas, x0, y0, x1, y1,
             [&](float px, float py) { return sd_round_rect(px, py, cx, top_cy, w * 0.5f - 9, top_h * 0.5f - 4, corner - 6); },
             [&](float, float py) { return mix(rgb(250, 251, 253), rgb(218, 222, 230), (py - y) / h); });
}

// A filled arrow centred at (cx, cy) pointing along (dx, dy), drawn in the key's ink.
void draw_arrow(Canvas& canvas, float cx, float cy, float dx, float dy, float length, Rgba ink) {
  glm::vec2 dir(dx, dy), side(-dy, dx), c(cx, cy);
  glm::vec2 tip = c + dir * (length * 0.5f);
  glm::vec2 head_base = c + dir * (length * 0.02f);
  glm::vec2 tail = c - dir * (length * 0.5f);
  float head_w = length * 0.42f;
  std::vector<glm::vec2> head = {tip, head_base + side * head_w, head_base - side * head_w};
  // Order the head's points clockwise on screen whatever the direction.
  glm::vec2 e1 = head[1] - head[0], e2 = head[2] - head[0];
  if (e1.x * e2.y - e1.y * e2.x < 0) std::swap(head[1], head[2]);
  int x0 = int(cx - length), y0 = int(cy - length), x1 = int(cx + length), y1 = int(cy + length);
  fill_shape(canvas, x0, y0, x1, y1,
             [&](float x, float y) {
               return std::min(sd_convex_polygon(x, y, head), sd_segment(x, y, head_base + dir * 2.0f, tail, length * 0.11f));
             },
             ink);
}

const Rgba key_ink = rgb(36, 40, 54);
const float key = 120.0f, gap = 12.0f;

void draw_arrow_block(Canvas& canvas, float x, float y) {
  draw_key(canvas, x + key + gap, y, key, key);
  draw_arrow(canvas, x + key + gap + key * 0.5f, y + key * 0.45f, 0, -1, 56, key_ink);
  float row = y + key + gap;
  struct {
    float dx, dy;
  } arrows[] = {{-1, 0}, {0, 1}, {1, 0}};
  for (int k = 0; k < 3; ++k) {
    float kx = x + k * (key + gap);
    draw_key(canvas, kx, row, key, key);
    draw_arrow(canvas, kx + key * 0.5f, row + key * 0.45f, arrows[k].dx, arrows[k].dy, 56, key_ink);
  }
}

Canvas u_key_picture(const Fonts& fonts) {
  Canvas canvas = make_canvas(128, 128, with_alpha(rgb(24, 28, 38), 0.0f));
  draw_key(canvas, 4, 4, key, key);
  float size = 64.0f;
  float x = 4 + (key - text_width(fonts.bold, size, "U")) * 0.5f;
  paint_mask(canvas, text_mask(canvas, fonts.bold, size, x, 4 + key * 0.45f + size * 0.36f, "U"), 0, 0, key_ink);
  return canvas;
}

Canvas arrow_keys_picture() {
  int w = int(3 * key + 2 * gap) + 8, h = int(2 * key + gap) + 8;
  Canvas canvas = make_canvas(w, h, with_alpha(rgb(24, 28, 38), 0.0f));
  draw_arrow_block(canvas, 4, 4);
  return canvas;
}

Canvas space_arrow_keys_picture(const Fonts& fonts) {
  float space_w = 3 * key + 2 * gap;
  int w = int(space_w + 40 + 3 * key + 2 * gap) + 8, h = int(2 * key + gap) + 8;
  Canvas canvas = make_canvas(w, h, with_alpha(rgb(24, 28, 38), 0.0f));
  float row = 4 + key + gap;
  draw_key(canvas, 4, row, space_w, key);
  float size = 44.0f;
  float x = 4 + (space_w - text_width(fonts.bold, size, "space")) * 0.5f;
  paint_mask(canvas, text_mask(canvas, fonts.bold, size, x, row + key * 0.45f + size * 0.36f, "space"), 0, 0, key_ink);
  draw_arrow_block(canvas, 4 + space_w + 40, 4);
  return canvas;
}

// ---- help cards ---------------------------------------------------------------------------------

struct Card_Text {
  Gem_Colour colour;
  const char* title;
  bool movable;
  const char* rule;
};

// Written from how the colours behave: a gem acts when it is moved or when a moved gem lands next to it.
const Card_Text card_texts[] = {
    {Gem_Colour::Red, "Red", true,
     "When triggered, it pushes each neighbouring gem one cell further away, if that cell is empty."},
    {Gem_Colour::Blue, "Blue", true,
     "When triggered, it jumps back to the cell where it stood at the start of the turn, if that cell is empty."},
    {Gem_Colour::Black, "Black", false,
     "It never acts, and nothing can push, pull or swap it: a wall."},
    {Gem_Colour::Grey, "Grey", false, "It never acts, but other gems can push, pull or swap it."},
    {Gem_Colour::White, "White", false, "When triggered, it passes the trigger on to all of its neighbours."},
    {Gem_Colour::Purple, "Purple", true,
     "When triggered, it swaps places with the gem that triggered it, or else with its first neighbour that is not black."},
    {Gem_Colour::Yellow, "Yellow", true,
     "When triggered, it pulls each gem standing two cells away onto the empty cell in between."},
};

const int card_w = 1024, card_h = 512;
const Rgba card_top = rgb(34, 38, 50), card_bottom = rgb(20, 22, 30);

Canvas help_card(const Fonts& fonts, const Card_Text& card) {
  Canvas canvas = make_canvas(card_w, card_h, with_alpha(card_bottom, 0.0f));
  Rgba accent = gem_base_colour(card.colour);
  if (card.colour == Gem_Colour::Black) accent = rgb(120, 122, 138);  // a black border would vanish
  const float margin = 14.0f, corner = 40.0f;
  float cx = card_w * 0.5f, cy = card_h * 0.5f, hw = card_w * 0.5f - margin, hh = card_h * 0.5f - margin;
  // Soft shadow, coloured border, then the panel.
  Mask shadow = shape_mask(card_w, card_h, [&](float x, float y) { return sd_round_rect(x, y, cx, cy + 4, hw, hh, corner); });
  paint_mask(canvas, blurred(shadow, 12), 0, 0, rgb(0, 0, 0, 0.5f));
  fill_shape(canvas, 0, 0, card_w, card_h, [&](float x, float y) { return sd_round_rect(x, y, cx, cy, hw, hh, corner); },
             with_alpha(accent, 1.0f));
  fill_shape(canvas, 0, 0, card_w, card_h,
             [&](float x, float y) { return sd_round_rect(x, y, cx, cy, hw - 6, hh - 6, corner - 6); },
             [&](float, float y) { return with_alpha(mix(card_top, card_bottom, y / card_h), 0.96f); });

  // The gem on a lit medallion, mid-toned so that both black and white gems stand out on it.
  const float mx = 218.0f, my = card_h * 0.5f, mr = 168.0f;
  fill_shape(canvas, 0, 0, card_w, card_h, [&](float x, float y) { return sd_circle(x, y, mx, my, mr); },
             [&](float x, float y) {
               float r = std::hypot(x - (mx - 40), y - (my - 50)) / (mr * 1.4f);
               return mix(rgb(150, 160, 176), rgb(70, 78, 94), std::clamp(r, 0.0f, 1.0f));
             });
  fill_shape(canvas, 0, 0, card_w, card_h,
             [&](float x, float y) { return std::abs(sd_circle(x, y, mx, my, mr)) - 3.0f; }, with_alpha(accent, 0.9f));
  Mask gem_shadow = shape_mask(card_w, card_h, [&](float x, float y) {
    return std::hypot(x - mx, (y - (my + 96)) * 3.4f) - 84.0f;
  });
  paint_mask(canvas, blurred(gem_shadow, 12), 0, 0, rgb(8, 10, 16, 0.5f));
  Canvas gem = render_gem_picture(card.colour, 270, 20.0f, 28.0f);
  draw_canvas(canvas, gem, int(mx) - 135, int(my) - 145);

  // Text column.
  const float left = 432.0f, right = card_w - 56.0f;
  Rgba panel = mix(card_top, card_bottom, 0.5f);
  Rgba title_ink = readable_on(accent, panel, 6.0f);
  const float title_size = 84.0f;
  paint_mask(canvas, text_mask(canvas, fonts.bold, title_size, left, 124.0f, card.title), 0, 0, title_ink);

  // Movable or not, as a pill.
  std::string badge = card.movable ? "✔  You can move it" : "✖  You cannot move it";
  const float badge_size = 38.0f;
  float badge_w = text_width(fonts.bold, badge_size, badge) + 44.0f;
  Rgba pill = card.movable ? rgb(46, 122, 74) : rgb(116, 50, 54);
  fill_shape(canvas, 0, 0, card_w, card_h,
             [&](float x, float y) { return sd_round_rect(x, y, left + badge_w * 0.5f, 186.0f, badge_w * 0.5f, 30.0f, 30.0f); },
             pill);
  paint_mask(canvas, text_mask(canvas, fonts.bold, badge_size, left + 22.0f, 200.0f, badge), 0, 0, rgb(255, 255, 255));

  // The rule, wrapped to the column, in the largest size up to 40 pixels that fits below the badge.
  const float body_top = 246.0f, body_bottom = card_h - 40.0f;
  float body_size = 40.0f;
  std::vector<std::string> lines;
  for (;; body_size -= 2.0f) {
    lines = wrap_text(fonts.regular, body_size, card.rule, right - left);
    float height = line_height(fonts.regular, body_size) * (1.06f * float(lines.size() - 1) + 1.0f);
    if (height <= body_bottom - body_top || body_size <= 30.0f) break;
  }
  float baseline = body_top + ascent_px(fonts.regular, body_size);
  Mask body = make_mask(card_w, card_h);
  for (const std::string& line : lines) {
    draw_text(body, fonts.regular, body_size, left, baseline, line);
    baseline += line_height(fonts.regular, body_size) * 1.06f;
  }
  paint_mask(canvas, body, 0, 0, rgb(236, 238, 244));
  return canvas;
}

bool save(const std::string& path, const Canvas& canvas) {
  if (write_png(path, canvas)) return true;
  std::fprintf(stderr, "assetgen: could not write %s\n", path.c_str());
  return false;
}

}  // namespace

bool write_overlays(const std::string& run_dir, const std::string& font_dir) {
  Fonts fonts;
  for (auto [font, file] : {std::pair{&fonts.bold, "DejaVuSans-Bold.ttf"}, std::pair{&fonts.regular, "DejaVuSans.ttf"}}) {
    if (!load_font(*font, font_dir + "/" + file)) {
      std::fprintf(stderr, "assetgen: could not read the font %s/%s\n", font_dir.c_str(), file);
      return false;
    }
  }
  std::string dir = run_dir + "/textures/overlays/";
  bool ok = save(dir + "loading.png", loading_picture(fonts));
  ok = save(dir + "logo.png", logo_picture(fonts)) && ok;
  ok = save(dir + "u3.png", u_key_picture(fonts)) && ok;
  ok = save(dir + "arrow_keys.png", arrow_keys_picture()) && ok;
  ok = save(dir + "space_arrow_keys.png", space_arrow_keys_picture(fonts)) && ok;
  for (const Card_Text& card : card_texts)
    ok = save(dir + colour_name(card.colour) + "_tooltip.png", help_card(fonts, card)) && ok;
  return ok;
}
