// Canvas: float RGBA pictures with anti-aliased shape filling, masks, noise and PNG/JPEG output.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <glm/glm.hpp>

// Straight (not premultiplied) alpha; colour channels are display values in 0..1.
struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};

struct Canvas {
  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;
};

// A coverage picture (0..1 per pixel): text, silhouettes, shadows.
struct Mask {
  int width = 0;
  int height = 0;
  std::vector<float> values;
};

// Signed distance in pixels from a pixel centre to a shape's edge (negative inside).
using Distance_Fn = std::function<float(float x, float y)>;
// Colour of a shape at a pixel centre.
using Paint_Fn = std::function<Rgba(float x, float y)>;

Rgba rgb(int r, int g, int b, float a = 1.0f);
Rgba mix(Rgba a, Rgba b, float t);
Rgba scaled(Rgba c, float brightness);  // colour channels times brightness, alpha kept
Rgba with_alpha(Rgba c, float a);
float luminance(Rgba c);  // relative luminance of a display colour (sRGB curve removed)

Canvas make_canvas(int width, int height, Rgba fill);
Mask make_mask(int width, int height);
Rgba& at(Canvas& canvas, int x, int y);
float& at(Mask& mask, int x, int y);

// Composites colour over the pixel with the given coverage.
void blend(Canvas& canvas, int x, int y, Rgba colour, float coverage);
// Fills the shape described by `distance` within the box [x0, x1) x [y0, y1).
void fill_shape(Canvas& canvas, int x0, int y0, int x1, int y1, const Distance_Fn& distance,
                const Paint_Fn& paint);
void fill_shape(Canvas& canvas, int x0, int y0, int x1, int y1, const Distance_Fn& distance, Rgba colour);
// Paints `colour` through a mask placed with its top left corner at (x, y).
void paint_mask(Canvas& canvas, const Mask& mask, int x, int y, Rgba colour);
void draw_canvas(Canvas& target, const Canvas& source, int x, int y);

// Mask operations for outlines, glows and shadows.
Mask blurred(const Mask& mask, int radius);  // three box passes, close to a Gaussian
Mask grown(const Mask& mask, float radius);  // coverage of the mask dilated by `radius` pixels
Mask shape_mask(int width, int height, const Distance_Fn& distance);

// Shapes as signed distance functions (pixels).
float sd_circle(float x, float y, float cx, float cy, float radius);
float sd_round_rect(float x, float y, float cx, float cy, float half_w, float half_h, float corner);
// Points go clockwise as the picture is seen (y down): top left, top right, bottom right, ...
float sd_convex_polygon(float x, float y, const std::vector<glm::vec2>& points);
float sd_segment(float x, float y, glm::vec2 a, glm::vec2 b, float half_width);

// Deterministic noise: value noise in 0..1 and its fractal sum.
float hash01(uint32_t x, uint32_t y, uint32_t seed);
float value_noise(float x, float y, uint32_t seed);
float fractal_noise(float x, float y, int octaves, uint32_t seed);

// Output; false when the file could not be written.
bool write_png(const std::string& path, const Canvas& canvas);
bool write_jpg(const std::string& path, const Canvas& canvas, int quality);
