// Sounds: every file decodes through libsndfile (as the game's sound layer reads it) at 44.1 kHz to
// its intended length, is audible, never clips, and the loops join without a click or a dip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <sndfile.h>

#include "asset_table.h"

namespace {

struct Decoded {
  int channels = 0, rate = 0;
  std::vector<float> samples;  // interleaved
  size_t frames() const { return channels ? samples.size() / size_t(channels) : 0; }
};

bool decode(const std::string& path, Decoded& out) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return false;
  // Integer and compressed data read as float in -1..1.
  sf_command(file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
  out.channels = info.channels;
  out.rate = info.samplerate;
  std::vector<float> block(4096 * size_t(std::max(1, info.channels)));
  sf_count_t got;
  while ((got = sf_readf_float(file, block.data(), 4096)) > 0)
    out.samples.insert(out.samples.end(), block.begin(), block.begin() + got * info.channels);
  sf_close(file);
  return true;
}

float rms(const Decoded& d, size_t first_frame, size_t frame_count) {
  double sum = 0.0;
  size_t n = 0;
  for (size_t f = first_frame; f < first_frame + frame_count && f < d.frames(); ++f)
    for (int c = 0; c < d.channels; ++c, ++n) sum += double(d.samples[f * size_t(d.channels) + size_t(c)]) *
                                                      d.samples[f * size_t(d.channels) + size_t(c)];
  return n ? float(std::sqrt(sum / double(n))) : 0.0f;
}

}  // namespace

TEST(AssetSounds, DecodeToTheirLengthAudibleAndUnclipped) {
  for (const Sound_Spec& spec : sound_specs) {
    SCOPED_TRACE(spec.path);
    Decoded d;
    ASSERT_TRUE(decode(spec.path, d)) << sf_strerror(nullptr);
    EXPECT_EQ(d.rate, 44100);
    EXPECT_TRUE(d.channels == 1 || d.channels == 2);
    EXPECT_NEAR(double(d.frames()) / d.rate, spec.seconds, 0.05);
    float peak = 0.0f;
    for (float s : d.samples) peak = std::max(peak, std::abs(s));
    EXPECT_LT(peak, 0.95f) << "clips or comes too close";
    EXPECT_GT(rms(d, 0, d.frames()), 0.03f) << "too quiet";
  }
}

TEST(AssetSounds, EffectsLastAboutASecondAtMost) {
  for (const Sound_Spec& spec : sound_specs) {
    if (spec.path.find("/gems/") == std::string::npos) continue;
    SCOPED_TRACE(spec.path);
    Decoded d;
    ASSERT_TRUE(decode(spec.path, d));
    EXPECT_LE(double(d.frames()) / d.rate, 1.2);
    // The move's sound starts with the move: audible within the first tenth of a second.
    EXPECT_GT(rms(d, 0, size_t(0.1 * d.rate)), 0.005f);
  }
}

TEST(AssetSounds, LoopsJoinWithoutAClickOrADip) {
  for (const Sound_Spec& spec : sound_specs) {
    if (!spec.looped) continue;
    SCOPED_TRACE(spec.path);
    Decoded d;
    ASSERT_TRUE(decode(spec.path, d));
    ASSERT_GT(d.frames(), 1u);
    size_t last = d.frames() - 1;
    for (int c = 0; c < d.channels; ++c) {
      float first_sample = d.samples[size_t(c)];
      float last_sample = d.samples[last * size_t(d.channels) + size_t(c)];
      EXPECT_LT(std::abs(first_sample - last_sample), 0.02f) << "channel " << c;
    }
    // The music runs on through the join: no fade out before it and no fade in after it.
    size_t window = size_t(0.05 * d.rate);
    float end_level = rms(d, d.frames() - window, window), start_level = rms(d, 0, window);
    EXPECT_GT(end_level, 0.02f);
    EXPECT_GT(start_level, 0.02f);
    EXPECT_LT(std::max(end_level, start_level) / std::min(end_level, start_level), 2.0f);
  }
}
