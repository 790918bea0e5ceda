// Synthesiser: stereo sample buffers, instrument voices, envelopes, filters and reverb.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int sample_rate = 44100;

// A stereo buffer. A looped sound wraps every write past its end onto its start, so that note tails
// and echoes at the end carry over into the beginning and the loop joins without a seam.
struct Sound {
  std::vector<float> left, right;
  bool looped = false;
};

Sound make_sound(float seconds, bool looped);
int frame_count(const Sound& sound);
float seconds_of(const Sound& sound);
// Adds a sample at a frame, panned (-1 left .. 1 right) with constant power.
void add_sample(Sound& sound, int64_t frame, float value, float pan);

float midi_hz(float note);

// Deterministic white noise in -1..1.
struct Noise {
  uint32_t state = 0x9e3779b9u;
};
float next_noise(Noise& noise);

// Attack-decay-sustain-release envelope; a note is held for `held` seconds, then released.
struct Envelope {
  float attack, decay, sustain, release;
};
float envelope_at(const Envelope& env, float t, float held);

// Filters, run one sample at a time.
struct One_Pole {
  float state = 0.0f;
};
float low_pass(One_Pole& filter, float input, float cutoff_hz);

struct Biquad {
  float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
  float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};
void set_band_pass(Biquad& filter, float centre_hz, float q);
void set_low_pass(Biquad& filter, float cutoff_hz, float q);
float run(Biquad& filter, float input);

// Instruments. Start and length in seconds, gain linear, pan -1..1.
// A plucked string: harmonics that die away faster the higher they are.
void add_pluck(Sound& sound, float start, float hz, float length, float gain, float pan, float brightness);
// A bell: frequency modulation with an inharmonic ratio and a decaying index.
void add_bell(Sound& sound, float start, float hz, float length, float gain, float pan);
// A soft pad: detuned band-limited saws through a gentle roll-off, slow attack and release.
void add_pad(Sound& sound, float start, float hz, float length, float gain, float pan);
// A round bass: sine with a touch of second harmonic.
void add_bass(Sound& sound, float start, float hz, float length, float gain);

// Room reverb (parallel combs into all-passes, different per side). A looped sound is run through
// twice and the second pass kept, so the reverb's tail at the end also sounds at the start.
void add_reverb(Sound& sound, float wet, float room);
// Short fades at both ends of a one-shot sound, so that it starts and stops without a click.
void fade_ends(Sound& sound, float fade_in, float fade_out);
// Scales the sound so that its largest sample is `peak`.
void normalise(Sound& sound, float peak);
// The last steps of every sound: reverb, fades at the ends (none for loops), level to `peak`.
void finish(Sound& sound, float wet, float room, float fade_in, float fade_out, float peak);
