// Effects: the gem moves (each shaped like its animation), the solved-board chime and the activation.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "sounds.h"

static constexpr float two_pi = 2.0f * std::numbers::pi_v<float>;

// Red push: the gem slides one cell with a fast start and a slow end. A low thump with a falling
// pitch, a brief scrape of filtered noise that dies away as the slide slows, and a low fifth under it.
Sound push_effect() {
  Sound s = make_sound(0.8f, false);
  Noise noise;
  Biquad scrape_filter;
  float phase = 0.0f;
  for (int i = 0; i < frame_count(s); ++i) {
    float t = float(i) / sample_rate;
    float hz = 55.0f + 95.0f * std::exp(-t / 0.05f);
    phase += two_pi * hz / sample_rate;
    float thump = std::sin(phase) * std::exp(-t / 0.18f) * std::min(1.0f, t / 0.003f);
    float slide = std::pow(std::max(0.0f, 1.0f - t / 0.75f), 2.0f);  // like the ease-out of the move
    set_low_pass(scrape_filter, 250.0f + 650.0f * slide, 0.8f);
    float scrape = run(scrape_filter, next_noise(noise)) * slide * 0.5f;
    add_sample(s, i, thump * 0.9f + scrape, 0.0f);
  }
  add_pluck(s, 0.0f, midi_hz(40), 0.5f, 0.25f, -0.1f, 0.35f);
  add_pluck(s, 0.0f, midi_hz(47), 0.5f, 0.18f, 0.1f, 0.35f);
  finish(s, 0.15f, 0.3f, 0.002f, 0.12f, 0.7f);
  return s;
}

// Yellow pull: the gem is drawn in with a slow start and a quick end. A zip whose pitch and
// loudness rise with the square of time, and a small ping when the gem arrives.
Sound pull_effect() {
  Sound s = make_sound(1.1f, false);
  Noise noise;
  Biquad zip;
  float phase_a = 0.0f, phase_b = 0.0f;
  for (int i = 0; i < frame_count(s); ++i) {
    float t = float(i) / sample_rate;
    float progress = std::min(1.0f, t / 0.95f);
    float eased = progress * progress;  // the move's ease-in
    set_band_pass(zip, 350.0f + 3200.0f * eased, 4.0f);
    float level = t < 0.95f ? 0.15f + 0.85f * eased : std::max(0.0f, 1.0f - (t - 0.95f) / 0.04f);
    float hiss = run(zip, next_noise(noise)) * 1.4f;
    float hz = 196.0f + 392.0f * eased;
    phase_a += two_pi * hz / sample_rate;
    phase_b += two_pi * hz * 1.5f / sample_rate;  // a fifth above
    float tone = (std::sin(phase_a) + 0.5f * std::sin(phase_b)) * 0.25f;
    add_sample(s, i, (hiss + tone) * level, -0.2f + 0.4f * eased);
  }
  add_bell(s, 0.95f, midi_hz(81), 0.15f, 0.35f, 0.2f);
  add_pluck(s, 0.95f, midi_hz(69), 0.1f, 0.25f, 0.0f, 0.5f);
  finish(s, 0.12f, 0.3f, 0.004f, 0.1f, 0.7f);
  return s;
}

// Blue teleport: the gem blinks out and in five times in half a second, then jumps. A warbling tone
// gated in step with the blinks, then a rising blip with a sparkle when it lands.
Sound teleport_effect() {
  Sound s = make_sound(0.8f, false);
  float phase = 0.0f;
  for (int i = 0; i < frame_count(s); ++i) {
    float t = float(i) / sample_rate;
    if (t >= 0.5f) break;
    // Gone from 0.025 to 0.075 in every 0.1 s: sound while visible, hush while gone.
    float cycle = std::fmod(t, 0.1f);
    float visible = 0.5f + 0.5f * std::tanh((std::abs(cycle - 0.05f) - 0.025f) * 400.0f);
    float hz = 660.0f * (1.0f + 0.06f * std::sin(two_pi * 30.0f * t)) * (1.0f + 0.4f * t);
    phase += two_pi * hz / sample_rate;
    float tone = std::sin(phase + 1.5f * std::sin(phase * 2.0f)) * (0.1f + 0.9f * visible);
    add_sample(s, i, tone * 0.5f * std::min(1.0f, (0.5f - t) / 0.01f), 0.0f);
  }
  float blip_phase = 0.0f;
  for (int i = 0; i < int(0.3f * sample_rate); ++i) {
    float t = float(i) / sample_rate;
    float hz = 520.0f * std::pow(4.0f, std::min(1.0f, t / 0.08f));
    blip_phase += two_pi * hz / sample_rate;
    float env = std::min(1.0f, t / 0.004f) * std::exp(-t / 0.07f);
    add_sample(s, int(0.5f * sample_rate) + i, std::sin(blip_phase) * env * 0.6f, 0.0f);
  }
  add_bell(s, 0.5f, midi_hz(88), 0.3f, 0.25f, -0.3f);
  add_bell(s, 0.53f, midi_hz(95), 0.27f, 0.18f, 0.3f);
  finish(s, 0.2f, 0.4f, 0.003f, 0.08f, 0.7f);
  return s;
}

// Purple swap: both gems rise (0.3 s), turn half a turn (0.3 s) and come down (0.4 s). A rising
// tone, a whirl of noise that sweeps across the stereo field as the pair turns, a falling tone and
// a soft landing.
Sound swap_effect() {
  Sound s = make_sound(1.15f, false);
  Noise noise;
  Biquad whirl;
  float phase = 0.0f;
  for (int i = 0; i < frame_count(s); ++i) {
    float t = float(i) / sample_rate;
    float hz, tone_level;
    if (t < 0.3f) {
      float p = t / 0.3f;
      hz = 330.0f + 220.0f * (1.0f - (1.0f - p) * (1.0f - p));  // ease-out lift
      tone_level = std::min(1.0f, t / 0.02f);
    } else if (t < 0.6f) {
      hz = 550.0f;
      tone_level = 0.6f;
    } else {
      float p = std::min(1.0f, (t - 0.6f) / 0.4f);
      hz = 550.0f - 220.0f * p * p;  // ease-in descent
      tone_level = 0.8f * (t < 1.0f ? 1.0f : std::max(0.0f, 1.0f - (t - 1.0f) / 0.03f));
    }
    phase += two_pi * hz / sample_rate;
    float tone = (std::sin(phase) + 0.3f * std::sin(2.0f * phase)) * 0.3f * tone_level;
    add_sample(s, i, tone, 0.0f);
    // The whirl: loudest mid-turn, its band circling between low and high.
    float turn = std::clamp((t - 0.22f) / 0.46f, 0.0f, 1.0f);
    float swell = std::sin(turn * std::numbers::pi_v<float>);
    set_band_pass(whirl, 900.0f + 700.0f * std::sin(two_pi * 6.0f * t), 3.0f);
    float air = run(whirl, next_noise(noise)) * swell * 1.2f;
    add_sample(s, i, air, -0.8f + 1.6f * turn);
  }
  add_pluck(s, 1.0f, midi_hz(50), 0.1f, 0.35f, 0.0f, 0.3f);  // set down
  add_pluck(s, 1.0f, midi_hz(57), 0.1f, 0.2f, 0.0f, 0.3f);
  finish(s, 0.15f, 0.35f, 0.003f, 0.08f, 0.7f);
  return s;
}

// Solved board: a quick rising C major arpeggio of bells over a held chord and a little sparkle.
Sound finish_chime() {
  Sound s = make_sound(1.8f, false);
  const int notes[] = {72, 76, 79, 84, 88};
  for (int k = 0; k < 5; ++k) add_bell(s, 0.07f * k, midi_hz(float(notes[k])), 1.8f - 0.07f * k, 0.22f, -0.5f + 0.25f * k);
  for (int tone : {60, 64, 67, 72}) add_pluck(s, 0.28f, midi_hz(float(tone)), 1.0f, 0.12f, 0.0f, 0.6f);
  Noise noise;
  One_Pole body;
  for (int i = 0; i < frame_count(s); ++i) {
    float t = float(i) / sample_rate;
    float n = next_noise(noise);
    float bright = n - low_pass(body, n, 5000.0f);  // keep only the high part of the noise
    float env = t < 0.28f ? 0.0f : std::exp(-(t - 0.28f) / 0.35f);
    add_sample(s, i, bright * env * 0.06f, std::sin(t * 9.0f) * 0.6f);
  }
  finish(s, 0.3f, 0.55f, 0.002f, 0.25f, 0.7f);
  return s;
}

// Activation: two rising notes, a fifth apart.
Sound activation_chime() {
  Sound s = make_sound(0.6f, false);
  add_bell(s, 0.0f, midi_hz(79), 0.6f, 0.3f, -0.2f);
  add_bell(s, 0.09f, midi_hz(86), 0.51f, 0.3f, 0.2f);
  add_pluck(s, 0.0f, midi_hz(67), 0.3f, 0.15f, 0.0f, 0.5f);
  finish(s, 0.2f, 0.4f, 0.002f, 0.12f, 0.7f);
  return s;
}
