// Pictures: every texture and overlay decodes at its size, opaque ones are opaque, plates and
// overlays have real transparency, colours read as their names, and text stands out from its card.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "asset_table.h"

namespace {

struct Pixel {
  float r, g, b, a;  // 0..1
};

struct Picture {
  int width = 0, height = 0;
  std::vector<Pixel> pixels;
};

// Decodes as the game does: stb_image, four channels whatever the file holds.
bool decode(const std::string& path, Picture& picture) {
  int channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> data(stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 4),
                                                 stbi_image_free);
  if (!data) return false;
  picture.pixels.resize(size_t(picture.width) * size_t(picture.height));
  for (size_t i = 0; i < picture.pixels.size(); ++i)
    picture.pixels[i] = {data.get()[i * 4] / 255.0f, data.get()[i * 4 + 1] / 255.0f, data.get()[i * 4 + 2] / 255.0f,
                         data.get()[i * 4 + 3] / 255.0f};
  return true;
}

float channel_to_linear(float v) { return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f); }

float luminance(Pixel p) {
  return 0.2126f * channel_to_linear(p.r) + 0.7152f * channel_to_linear(p.g) + 0.0722f * channel_to_linear(p.b);
}

// Contrast ratio as used for text legibility: 1 (none) to 21 (black on white).
float contrast(Pixel a, Pixel b) {
  float la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05f) / (std::min(la, lb) + 0.05f);
}

Pixel over(Pixel top, Pixel under) {
  return {top.r * top.a + under.r * (1 - top.a), top.g * top.a + under.g * (1 - top.a),
          top.b * top.a + under.b * (1 - top.a), 1.0f};
}

float fraction(const Picture& p, bool (*test)(Pixel)) {
  return float(std::count_if(p.pixels.begin(), p.pixels.end(), test)) / float(p.pixels.size());
}

// Mean colour of the pixels that are at least mostly opaque.
Pixel mean_opaque(const Picture& p) {
  Pixel sum{0, 0, 0, 0};
  int n = 0;
  for (const Pixel& q : p.pixels)
    if (q.a > 0.9f) {
      sum.r += q.r;
      sum.g += q.g;
      sum.b += q.b;
      ++n;
    }
  if (n == 0) return sum;
  return {sum.r / n, sum.g / n, sum.b / n, 1.0f};
}

// Whether an average colour reads as the named gem colour.
bool reads_as(const std::string& name, Pixel c) {
  float hi = std::max({c.r, c.g, c.b}), lo = std::min({c.r, c.g, c.b});
  if (name == "red") return c.r > 0.35f && c.r > c.g + 0.2f && c.r > c.b + 0.2f;
  if (name == "blue") return c.b > c.r + 0.2f && c.b > 0.35f;
  if (name == "yellow") return c.r > 0.5f && c.g > 0.35f && c.b < c.g - 0.25f;
  if (name == "purple") return c.r > c.g + 0.1f && c.b > c.g + 0.15f;
  if (name == "grey") return hi - lo < 0.08f && hi > 0.3f && hi < 0.8f;
  if (name == "white") return lo > 0.75f && hi - lo < 0.12f;
  if (name == "black") return hi < 0.2f;
  return false;
}

bool file_starts_with(const std::string& path, const std::string& magic) {
  std::ifstream in(path, std::ios::binary);
  std::string head(magic.size(), '\0');
  in.read(head.data(), std::streamsize(head.size()));
  return in && head == magic;
}

Picture load(const Picture_Spec& spec) {
  Picture p;
  EXPECT_TRUE(decode(spec.path, p)) << spec.path << ": " << stbi_failure_reason();
  return p;
}

}  // namespace

TEST(AssetPictures, DecodeAtTheirSizesInTheirFormats) {
  for (const Picture_Spec& spec : picture_specs) {
    SCOPED_TRACE(spec.path);
    bool jpeg = spec.path.size() > 4 && spec.path.substr(spec.path.size() - 4) == ".jpg";
    EXPECT_TRUE(jpeg ? file_starts_with(spec.path, "\xFF\xD8\xFF") : file_starts_with(spec.path, "\x89PNG\r\n"))
        << "contents do not match the file's extension";
    Picture p = load(spec);
    EXPECT_EQ(p.width, spec.width);
    EXPECT_EQ(p.height, spec.height);
    EXPECT_LE(std::max(p.width, p.height), 1024);
  }
}

TEST(AssetPictures, SurfaceTexturesAreOpaqueAndReadAsTheirColours) {
  for (const Picture_Spec& spec : picture_specs) {
    if (spec.kind != Picture_Kind::Opaque) continue;
    SCOPED_TRACE(spec.path);
    Picture p = load(spec);
    EXPECT_EQ(fraction(p, [](Pixel q) { return q.a < 1.0f; }), 0.0f);
    if (!spec.colour.empty()) {
      Pixel m = mean_opaque(p);
      EXPECT_TRUE(reads_as(spec.colour, m)) << "mean colour " << m.r << " " << m.g << " " << m.b;
    }
  }
}

TEST(AssetPictures, FlatNormalMapPointsStraightOut) {
  Picture p = load(picture_specs[0]);
  ASSERT_EQ(picture_specs[0].path, "textures/default_normal.png");
  for (const Pixel& q : p.pixels) {
    EXPECT_NEAR(q.r * 255.0f, 128.0f, 1.0f);
    EXPECT_NEAR(q.g * 255.0f, 128.0f, 1.0f);
    EXPECT_EQ(q.b, 1.0f);
  }
}

TEST(AssetPictures, BoardIsCalmAndGridAndGemsStandOutOnIt) {
  Picture board, black, white;
  ASSERT_TRUE(decode("textures/board.jpg", board));
  ASSERT_TRUE(decode("textures/black.png", black));
  ASSERT_TRUE(decode("textures/white.png", white));
  Pixel mean = mean_opaque(board);
  // Calm: little spread of brightness around the mean.
  double spread = 0.0;
  for (const Pixel& q : board.pixels) spread += std::pow(luminance(q) - luminance(mean), 2.0);
  EXPECT_LT(std::sqrt(spread / double(board.pixels.size())), 0.04);
  Pixel grid_line{0, 0, 0, 1};
  EXPECT_GT(contrast(mean, grid_line), 2.0f) << "black grid lines would vanish";
  EXPECT_GT(contrast(mean, mean_opaque(black)), 1.8f) << "black gems would vanish";
  EXPECT_GT(contrast(mean, mean_opaque(white)), 3.0f) << "white gems would vanish";
}

TEST(AssetPictures, FinishPlatesAreColouredRingsOnTransparency) {
  for (const Picture_Spec& spec : picture_specs) {
    if (spec.kind != Picture_Kind::Finish_Plate) continue;
    SCOPED_TRACE(spec.path);
    Picture p = load(spec);
    EXPECT_GT(fraction(p, [](Pixel q) { return q.a == 0.0f; }), 0.15f) << "no see-through surround";
    EXPECT_GT(fraction(p, [](Pixel q) { return q.a == 1.0f; }), 0.15f) << "no solid ring";
    // The plate's corners are clear and its centre is see-through but tinted.
    EXPECT_EQ(p.pixels.front().a, 0.0f);
    Pixel centre = p.pixels[size_t(p.height / 2) * size_t(p.width) + size_t(p.width / 2)];
    EXPECT_GT(centre.a, 0.0f);
    EXPECT_LT(centre.a, 0.6f);
    Pixel ring = mean_opaque(p);
    EXPECT_TRUE(reads_as(spec.colour, ring)) << "ring colour " << ring.r << " " << ring.g << " " << ring.b;
  }
}

// Share of the picture's pixels that, laid over `ground`, stand out from it with at least `ratio`.
float ink_over(const Picture& p, Pixel ground, float ratio) {
  int n = 0;
  for (const Pixel& q : p.pixels)
    if (q.a > 0.0f && contrast(over(q, ground), ground) >= ratio) ++n;
  return float(n) / float(p.pixels.size());
}

TEST(AssetPictures, OverlaysAreCutOutAndReadOnWhatTheyAreShownOver) {
  Picture board;
  ASSERT_TRUE(decode("textures/board.jpg", board));
  Pixel board_mean = mean_opaque(board), white{1, 1, 1, 1};
  for (const Picture_Spec& spec : picture_specs) {
    if (spec.kind == Picture_Kind::Opaque || spec.kind == Picture_Kind::Finish_Plate) continue;
    SCOPED_TRACE(spec.path);
    Picture p = load(spec);
    EXPECT_GT(fraction(p, [](Pixel q) { return q.a == 0.0f; }), 0.004f) << "no transparent pixels";
    EXPECT_GT(fraction(p, [](Pixel q) { return q.a == 1.0f; }), 0.05f) << "nothing solid";
    if (spec.kind == Picture_Kind::Logo) {
      // Shown over the white intro and over the board of the main menu.
      EXPECT_GT(ink_over(p, white, 3.0f), 0.05f);
      EXPECT_GT(ink_over(p, board_mean, 3.0f), 0.05f);
    } else if (spec.kind == Picture_Kind::Label) {
      EXPECT_GT(ink_over(p, white, 4.5f), 0.05f);
    }
  }
}

// Share of the region's opaque pixels that stand out from the region's commonest colour (its panel)
// with at least the contrast asked of text; the region excludes the card's coloured border.
float legible_share(const Picture& p, int x0, int y0, int x1, int y1) {
  std::map<int, int> counts;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const Pixel& q = p.pixels[size_t(y) * size_t(p.width) + size_t(x)];
      if (q.a > 0.9f) ++counts[int(q.r * 15.99f) * 256 + int(q.g * 15.99f) * 16 + int(q.b * 15.99f)];
    }
  if (counts.empty()) return 0.0f;
  int key = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
  Pixel panel{(key / 256 + 0.5f) / 16.0f, (key / 16 % 16 + 0.5f) / 16.0f, (key % 16 + 0.5f) / 16.0f, 1.0f};
  int ink = 0, opaque = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const Pixel& q = p.pixels[size_t(y) * size_t(p.width) + size_t(x)];
      if (q.a <= 0.9f) continue;
      ++opaque;
      if (contrast(q, panel) >= 4.5f) ++ink;
    }
  return float(ink) / float(opaque);
}

TEST(AssetPictures, HelpCardsCarryLegibleTextOnAnEvenPanel) {
  for (const Picture_Spec& spec : picture_specs) {
    if (spec.kind != Picture_Kind::Card) continue;
    SCOPED_TRACE(spec.path);
    Picture p = load(spec);
    // The text column: the name at the top, the rule below it.
    int x0 = p.width * 2 / 5, x1 = p.width - 40;
    float name = legible_share(p, x0, 40, x1, p.height * 3 / 10);
    float rule = legible_share(p, x0, p.height / 2, x1, p.height - 40);
    EXPECT_GT(name, 0.04f) << "the colour's name is missing or faint";
    EXPECT_LT(name, 0.5f) << "no even panel behind the name";
    EXPECT_GT(rule, 0.04f) << "the rule is missing or faint";
    EXPECT_LT(rule, 0.5f) << "no even panel behind the rule";
  }
}

TEST(AssetPictures, HelpCardsShowTheirGemInItsColour) {
  for (const Picture_Spec& spec : picture_specs) {
    if (spec.kind != Picture_Kind::Card) continue;
    SCOPED_TRACE(spec.path);
    Picture p = load(spec);
    // The gem stands in the middle of the round frame on the left of the card.
    int match = 0, total = 0;
    for (int y = p.height * 7 / 20; y < p.height * 13 / 20; ++y)
      for (int x = p.width * 3 / 20; x < p.width * 5 / 20; ++x) {
        ++total;
        if (reads_as(spec.colour, p.pixels[size_t(y) * size_t(p.width) + size_t(x)])) ++match;
      }
    EXPECT_GT(float(match) / float(total), 0.2f);
  }
}
