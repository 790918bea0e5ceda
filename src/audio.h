// Music and sound effects: the intro jingle at start, the looped main music from the first level on,
// and the one-shot effects that gem moves and solved boards schedule on the gameplay scheduler.
#pragma once

#include "sound.h"

struct Audio_State {
    Sound_Engine* engine;          // every play goes through it
    Sound* intro;                  // intro jingle, set by start_music
    Sound* menu_loop;              // main-menu loop, loaded paused by start_music
    Sound* main_music;             // looped main music, null until the first level loads
    Array_List<const char*> activation_sounds;
};

extern Audio_State audio_state;

constexpr f32 master_volume = 0.2f;
constexpr f32 music_volume = 1.0f;

// Parameter of play_sound_action: a file played once at the default volume.
struct Play_Sound_Param {
    const char* file;
    Sound_Engine* engine;
};
static_assert(sizeof(Play_Sound_Param) == 16);

struct Stop_Sound_Param {
    Sound* sound;
};
static_assert(sizeof(Stop_Sound_Param) == 8);

// Sound engine, master volume, the random seed from the clock, the activation-sound list.
void init_audio();
// Starts the intro jingle and loads the menu loop paused.
void start_music();
// Turns the intro music off (at the next gameplay update) and starts the main music once.
void start_main_loop_music();

// Action callbacks: label "soundengine->play2D" and "sound stop action".
void play_sound_action(Play_Sound_Param* param);
void sound_stop_action(Stop_Sound_Param* param);
