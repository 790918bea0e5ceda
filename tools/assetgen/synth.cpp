// Synthesiser: stereo sample buffers, instrument voices, envelopes, filters and reverb.
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

static constexpr float two_pi = 2.0f * std::numbers::pi_v<float>;

Sound make_sound(float seconds, bool looped) {
  size_t frames = size_t(std::lround(seconds * sample_rate));
  return Sound{std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f), looped};
}

int frame_count(const Sound& sound) { return int(sound.left.size()); }

float seconds_of(const Sound& sound) { return float(sound.left.size()) / sample_rate; }

void add_sample(Sound& sound, int64_t frame, float value, float pan) {
  int64_t n = int64_t(sound.left.size());
  if (sound.looped) frame = ((frame % n) + n) % n;
  else if (frame < 0 || frame >= n) return;
  float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * 0.25f * std::numbers::pi_v<float>;
  sound.left[size_t(frame)] += value * std::cos(angle) * std::numbers::sqrt2_v<float>;
  sound.right[size_t(frame)] += value * std::sin(angle) * std::numbers::sqrt2_v<float>;
}

float midi_hz(float note) { return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f); }

float next_noise(Noise& noise) {
  uint32_t x = noise.state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  noise.state = x;
  return float(x) / 2147483648.0f - 1.0f;
}

float envelope_at(const Envelope& env, float t, float held) {
  auto level_while_held = [&](float s) {
    if (s < env.attack) return s / env.attack;
    s -= env.attack;
    if (s < env.decay) return 1.0f + (env.sustain - 1.0f) * (s / env.decay);
    return env.sustain;
  };
  if (t < 0.0f) return 0.0f;
  if (t < held) return level_while_held(t);
  float released = t - held;
  if (released >= env.release) return 0.0f;
  // Exponential-looking release that still reaches zero.
  float x = 1.0f - released / env.release;
  return level_while_held(held) * x * x;
}

float low_pass(One_Pole& filter, float input, float cutoff_hz) {
  float a = 1.0f - std::exp(-two_pi * cutoff_hz / sample_rate);
  filter.state += a * (input - filter.state);
  return filter.state;
}

// Coefficients from the well-known audio-EQ formulas.
void set_band_pass(Biquad& f, float centre_hz, float q) {
  float w = two_pi * std::clamp(centre_hz, 20.0f, 20000.0f) / sample_rate;
  float alpha = std::sin(w) / (2.0f * q), a0 = 1.0f + alpha;
  f.b0 = alpha / a0;
  f.b1 = 0.0f;
  f.b2 = -alpha / a0;
  f.a1 = -2.0f * std::cos(w) / a0;
  f.a2 = (1.0f - alpha) / a0;
}

void set_low_pass(Biquad& f, float cutoff_hz, float q) {
  float w = two_pi * std::clamp(cutoff_hz, 20.0f, 20000.0f) / sample_rate;
  float alpha = std::sin(w) / (2.0f * q), cw = std::cos(w), a0 = 1.0f + alpha;
  f.b0 = (1.0f - cw) * 0.5f / a0;
  f.b1 = (1.0f - cw) / a0;
  f.b2 = (1.0f - cw) * 0.5f / a0;
  f.a1 = -2.0f * cw / a0;
  f.a2 = (1.0f - alpha) / a0;
}

float run(Biquad& f, float x) {
  float y = f.b0 * x + f.b1 * f.x1 + f.b2 * f.x2 - f.a1 * f.y1 - f.a2 * f.y2;
  f.x2 = f.x1;
  f.x1 = x;
  f.y2 = f.y1;
  f.y1 = y;
  return y;
}

// Renders `length` seconds of a voice from `start`, one sample at a time.
template <typename Voice>
static void render(Sound& sound, float start, float length, float pan, Voice&& voice) {
  int64_t first = std::lround(start * sample_rate);
  int64_t count = std::lround(length * sample_rate);
  for (int64_t i = 0; i < count; ++i) add_sample(sound, first + i, voice(float(i) / sample_rate), pan);
}

void add_pluck(Sound& sound, float start, float hz, float length, float gain, float pan, float brightness) {
  // Each partial is a rotating phasor that also shrinks a little every sample: a decaying sine
  // without a call to sin or exp per sample.
  struct Partial {
    double re, im, step_re, step_im;
    float amp;
  };
  std::vector<Partial> partials;
  for (int k = 1; k <= 8; ++k) {
    double partial_hz = double(hz) * k * (1.0 + 0.0004 * k * k);  // a little stiffness, like a real string
    if (partial_hz > 12000.0) break;
    double decay = std::exp(-(2.2 + 1.6 * k) / sample_rate);
    double w = 2.0 * std::numbers::pi * partial_hz / sample_rate;
    partials.push_back({1.0, 0.0, std::cos(w) * decay, std::sin(w) * decay,
                        float(std::pow(brightness, float(k - 1)) / float(k))});
  }
  const float tail = 1.2f;
  render(sound, start, length + tail, pan, [&](float t) {
    float v = 0.0f;
    for (Partial& p : partials) {
      v += p.amp * float(p.im);
      double re = p.re * p.step_re - p.im * p.step_im;
      p.im = p.re * p.step_im + p.im * p.step_re;
      p.re = re;
    }
    float attack = std::min(1.0f, t / 0.004f);
    float release = t < length ? 1.0f : std::max(0.0f, 1.0f - (t - length) / tail);
    return v * gain * attack * release;
  });
}

void add_bell(Sound& sound, float start, float hz, float length, float gain, float pan) {
  render(sound, start, length, pan, [=](float t) {
    float index = 2.4f * std::exp(-6.0f * t);
    float mod = std::sin(two_pi * hz * 3.5f * t) * index;
    float body = std::sin(two_pi * hz * t + mod) * std::exp(-3.2f * t);
    float shimmer = 0.25f * std::sin(two_pi * hz * 2.0f * t) * std::exp(-5.0f * t);
    float attack = std::min(1.0f, t / 0.002f);
    float end = std::min(1.0f, (length - t) / 0.05f);
    return (body + shimmer) * gain * attack * std::max(0.0f, end);
  });
}

void add_pad(Sound& sound, float start, float hz, float length, float gain, float pan) {
  // One cycle of a saw with its upper harmonics rolled off, read by three slightly detuned voices.
  const int table_size = 2048;
  std::vector<float> table(table_size + 1, 0.0f);
  for (int k = 1; k <= 10 && hz * k <= 6000.0f; ++k)
    for (int i = 0; i <= table_size; ++i)
      table[size_t(i)] += std::sin(two_pi * k * float(i) / table_size + float(k) * 0.7f) / std::pow(float(k), 1.9f);
  Envelope env{0.6f, 0.8f, 0.8f, 1.4f};
  const float detune[3] = {-0.006f, 0.0f, 0.0055f};
  double phase[3] = {0.0, 0.31, 0.67};
  render(sound, start, length + env.release, pan, [&](float t) {
    float v = 0.0f;
    for (int d = 0; d < 3; ++d) {
      double pos = phase[d] * table_size;
      int i = int(pos);
      float frac = float(pos - i);
      v += table[size_t(i)] + (table[size_t(i) + 1] - table[size_t(i)]) * frac;
      phase[d] += double(hz) * (1.0 + detune[d]) / sample_rate;
      if (phase[d] >= 1.0) phase[d] -= 1.0;
    }
    float breathe = 1.0f + 0.08f * std::sin(two_pi * 0.4f * t);
    return v * gain * 0.33f * breathe * envelope_at(env, t, length);
  });
}

void add_bass(Sound& sound, float start, float hz, float length, float gain) {
  Envelope env{0.01f, 0.3f, 0.6f, 0.25f};
  render(sound, start, length + env.release, 0.0f, [=](float t) {
    float v = std::sin(two_pi * hz * t) + 0.22f * std::sin(two_pi * 2.0f * hz * t);
    return v * gain * envelope_at(env, t, length);
  });
}

namespace {

struct Comb {
  std::vector<float> line;
  size_t pos = 0;
  float damp_state = 0.0f;
};

struct All_Pass {
  std::vector<float> line;
  size_t pos = 0;
};

struct Reverb_Side {
  std::vector<Comb> combs;
  std::vector<All_Pass> passes;
};

Reverb_Side make_side(int spread) {
  Reverb_Side side;
  for (int d : {1116, 1188, 1277, 1356, 1422, 1491}) side.combs.push_back({std::vector<float>(size_t(d + spread), 0.0f)});
  for (int d : {556, 441, 341}) side.passes.push_back({std::vector<float>(size_t(d + spread), 0.0f)});
  return side;
}

float process(Reverb_Side& side, float input, float feedback, float damp) {
  float out = 0.0f;
  for (Comb& c : side.combs) {
    float y = c.line[c.pos];
    c.damp_state = y * (1.0f - damp) + c.damp_state * damp;
    c.line[c.pos] = input + c.damp_state * feedback;
    c.pos = (c.pos + 1) % c.line.size();
    out += y;
  }
  out /= float(side.combs.size());
  for (All_Pass& a : side.passes) {
    float buffered = a.line[a.pos];
    float y = -out + buffered;
    a.line[a.pos] = out + buffered * 0.5f;
    a.pos = (a.pos + 1) % a.line.size();
    out = y;
  }
  return out;
}

}  // namespace

void add_reverb(Sound& sound, float wet, float room) {
  Reverb_Side left = make_side(0), right = make_side(23);
  float feedback = 0.7f + 0.28f * room, damp = 0.3f;
  size_t n = sound.left.size();
  std::vector<float> out_l(n), out_r(n);
  int passes = sound.looped ? 2 : 1;
  for (int pass = 0; pass < passes; ++pass)
    for (size_t i = 0; i < n; ++i) {
      float in = (sound.left[i] + sound.right[i]) * 0.5f;
      out_l[i] = process(left, in, feedback, damp);
      out_r[i] = process(right, in, feedback, damp);
    }
  for (size_t i = 0; i < n; ++i) {
    sound.left[i] += wet * out_l[i];
    sound.right[i] += wet * out_r[i];
  }
}

void fade_ends(Sound& sound, float fade_in, float fade_out) {
  size_t n = sound.left.size();
  size_t in_frames = size_t(fade_in * sample_rate), out_frames = size_t(fade_out * sample_rate);
  for (size_t i = 0; i < n; ++i) {
    float g = 1.0f;
    if (i < in_frames) g = float(i) / float(in_frames);
    if (i + out_frames >= n && out_frames > 0) g *= std::pow(float(n - 1 - i) / float(out_frames), 1.5f);
    sound.left[i] *= g;
    sound.right[i] *= g;
  }
}

void normalise(Sound& sound, float peak) {
  float largest = 0.0f;
  for (size_t i = 0; i < sound.left.size(); ++i)
    largest = std::max({largest, std::abs(sound.left[i]), std::abs(sound.right[i])});
  if (largest <= 0.0f) return;
  float g = peak / largest;
  for (size_t i = 0; i < sound.left.size(); ++i) {
    sound.left[i] *= g;
    sound.right[i] *= g;
  }
}

void finish(Sound& sound, float wet, float room, float fade_in, float fade_out, float peak) {
  add_reverb(sound, wet, room);
  if (!sound.looped) fade_ends(sound, fade_in, fade_out);
  normalise(sound, peak);
}
