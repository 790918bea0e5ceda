// Sound layer: plays WAV and MP3 files in 2D through the default audio device. Files are decoded once
// per path and kept. Without a device the engine runs silent; every call still works.
#pragma once

#include "vek/memory.h"

struct Sound_Engine;
struct Sound;

// Opens the default device. Never null: with no device the engine is silent and says so once.
Sound_Engine* create_sound_engine();
// Releases the engine, its sounds and decoded files. Tracked sounds not yet released turn silent.
void destroy_sound_engine(Sound_Engine* engine);

// Gain applied to everything the engine plays (1 = unchanged).
void set_master_volume(Sound_Engine* engine, f32 volume);

// Plays a file without position. With track set the result is a handle the caller releases with
// release_sound; it is never null (a file that cannot be played gives a silent handle). Without track
// the sound plays to its end and the result is null; an untracked sound started paused does not play.
Sound* play_sound_2d(Sound_Engine* engine, const char* path, bool looped, bool start_paused, bool track);

// Operations on a tracked sound. A stopped sound stays stopped; its handle stays valid until released.
void set_sound_paused(Sound* sound, bool paused);
void stop_sound(Sound* sound);
void set_sound_volume(Sound* sound, f32 volume);
void release_sound(Sound* sound);
