// Music: the intro melody, the menu loop and the main loop, written as chords, bass, arpeggios and
// a bell melody over a soft pad; and the writer of every sound file.
#include <cstdio>
#include <string>
#include <vector>

#include "assets.h"
#include "sound_files.h"
#include "sounds.h"

namespace {

struct Chord {
  int bass;                // MIDI note
  std::vector<int> tones;  // MIDI notes of the pad and the arpeggio
};

struct Note {
  float beat;
  int midi;
  float beats;
};

// Pad, bass and (optionally) arpeggio of one chord held for `beats` beats from `start_beat`.
void play_chord(Sound& s, const Chord& chord, float start_beat, float beats, float beat_s, bool arpeggio,
                float pad_gain, float arp_gain) {
  float start = start_beat * beat_s, length = beats * beat_s;
  for (size_t k = 0; k < chord.tones.size(); ++k) {
    float pan = -0.5f + float(k) / float(chord.tones.size() - 1);
    add_pad(s, start, midi_hz(float(chord.tones[k])), length, pad_gain, pan * 0.6f);
  }
  add_bass(s, start, midi_hz(float(chord.bass)), length, 0.22f);  // legato: its release overlaps the next
  if (!arpeggio) return;
  // Up and back down through the chord, one note per half beat, an octave above the pad.
  static const int order[] = {0, 1, 2, 3, 2, 1, 2, 3};
  int steps = int(beats * 2.0f);
  for (int i = 0; i < steps; ++i) {
    int tone = chord.tones[size_t(order[i % 8]) % chord.tones.size()] + 12;
    float pan = (i % 2 == 0) ? -0.35f : 0.35f;
    add_pluck(s, start + i * beat_s * 0.5f, midi_hz(float(tone)), beat_s * 0.45f, arp_gain, pan, 0.55f);
  }
}

void play_melody(Sound& s, const std::vector<Note>& notes, float start_beat, float beat_s, float gain) {
  for (const Note& n : notes) {
    float t = (start_beat + n.beat) * beat_s;
    float hz = midi_hz(float(n.midi));
    add_bell(s, t, hz, n.beats * beat_s + 1.2f, gain, 0.1f);
    add_pluck(s, t, hz, n.beats * beat_s, gain * 0.5f, -0.1f, 0.4f);  // body under the bell
  }
}

}  // namespace

// D major, 120 beats a minute: four bars, the last one a held chord that fades to silence at 8 s.
Sound intro_music() {
  const float beat = 0.5f;
  Sound s = make_sound(8.0f, false);
  const Chord d_maj7{38, {62, 66, 69, 73}}, b_min7{35, {62, 66, 69, 71}}, g_maj7{31, {62, 66, 67, 71}},
      a_dom{33, {61, 64, 67, 69}}, d_add9{38, {62, 64, 66, 69}};
  play_chord(s, d_maj7, 0, 4, beat, true, 0.05f, 0.07f);
  play_chord(s, b_min7, 4, 4, beat, true, 0.05f, 0.07f);
  play_chord(s, g_maj7, 8, 2, beat, true, 0.05f, 0.07f);
  play_chord(s, a_dom, 10, 2, beat, true, 0.05f, 0.07f);
  play_chord(s, d_add9, 12, 3.2f, beat, false, 0.06f, 0.0f);
  play_melody(s,
              {{0, 78, 1}, {1, 81, 1}, {2, 86, 1.5f}, {3.5f, 85, 0.5f}, {4, 83, 1}, {5, 81, 1}, {6, 78, 2},
               {8, 79, 1}, {9, 83, 1}, {10, 81, 1}, {11, 76, 1}, {12, 74, 3}},
              0, beat, 0.16f);
  // The closing chord rung as bells.
  const int closing[] = {74, 78, 81, 86};
  for (int k = 0; k < 4; ++k) add_bell(s, 12 * beat + 0.06f * k, midi_hz(float(closing[k])), 1.9f, 0.06f, -0.45f + 0.3f * k);
  finish(s, 0.35f, 0.6f, 0.005f, 1.2f, 0.7f);
  return s;
}

// C major, 120 beats a minute, four bars that loop: gentle arpeggios over a pad.
Sound menu_loop_music() {
  const float beat = 0.5f;
  Sound s = make_sound(8.0f, true);
  const Chord f_maj7{41, {65, 69, 72, 76}}, e_min7{40, {64, 67, 71, 74}}, d_min7{38, {62, 65, 69, 72}},
      c_maj9{36, {64, 67, 71, 74}};
  const Chord chords[] = {f_maj7, e_min7, d_min7, c_maj9};
  for (int bar = 0; bar < 4; ++bar) play_chord(s, chords[bar], bar * 4.0f, 4, beat, true, 0.05f, 0.06f);
  play_melody(s, {{0, 81, 2}, {2, 79, 2}, {8, 77, 2}, {10, 76, 3}}, 0, beat, 0.1f);
  finish(s, 0.4f, 0.7f, 0.0f, 0.0f, 0.6f);
  return s;
}

// A minor / C major, 80 beats a minute, sixteen bars (48 s) that loop: the pad and bass alone, then
// arpeggios join, then a bell melody, then the arpeggios lead back to the start.
Sound main_loop_music() {
  const float beat = 0.75f;
  Sound s = make_sound(48.0f, true);
  const Chord a_min9{33, {60, 64, 67, 71}}, f_maj7{29, {60, 64, 65, 69}}, c_maj{36, {60, 64, 67, 72}},
      g_six{31, {62, 64, 67, 71}};
  const Chord chords[] = {a_min9, f_maj7, c_maj, g_six};
  for (int bar = 0; bar < 16; ++bar) {
    bool arpeggio = bar >= 4;
    float arp_gain = bar >= 12 ? 0.05f : 0.04f;
    play_chord(s, chords[bar % 4], bar * 4.0f, 4, beat, arpeggio, 0.045f, arp_gain);
  }
  const std::vector<Note> tune = {{0, 76, 1.5f}, {1.5f, 79, 0.5f}, {2, 81, 2},  {4, 84, 1},  {5, 83, 1},
                                  {6, 79, 2},    {8, 76, 1.5f},    {9.5f, 74, 0.5f}, {10, 76, 1}, {11, 79, 1},
                                  {12, 74, 3}};
  play_melody(s, tune, 32, beat, 0.1f);
  // A sparse echo of the tune in the last section.
  play_melody(s, {{0, 76, 2}, {4, 84, 2}, {8, 76, 2}, {12, 74, 3}}, 48, beat, 0.06f);
  finish(s, 0.45f, 0.75f, 0.0f, 0.0f, 0.6f);
  return s;
}

bool write_audio(const std::string& run_dir) {
  struct Sound_File {
    const char* path;
    Sound (*make)();
    int kbps;
  } files[] = {
      {"audio/drox_intro.mp3", intro_music, 160},
      {"audio/drox_mainloop_new.mp3", main_loop_music, 160},
      {"audio/effects/level_finish2.mp3", finish_chime, 160},
      {"audio/effects/gems/red_sfx.mp3", push_effect, 160},
      {"audio/effects/gems/yellow_sfx.mp3", pull_effect, 160},
      {"audio/effects/gems/blue_sfx.mp3", teleport_effect, 160},
      {"audio/effects/gems/purple_sfx.mp3", swap_effect, 160},
      {"audio/effects/activation/activation.mp3", activation_chime, 160},
  };
  bool ok = true;
  for (const Sound_File& file : files) {
    std::string path = run_dir + "/" + file.path;
    if (!write_mp3(path, file.make(), file.kbps)) {
      std::fprintf(stderr, "assetgen: could not write %s\n", path.c_str());
      ok = false;
    }
  }
  std::string wav = run_dir + "/audio/drox_mainmenu_loop.wav";
  if (!write_wav(wav, menu_loop_music())) {
    std::fprintf(stderr, "assetgen: could not write %s\n", wav.c_str());
    ok = false;
  }
  return ok;
}
