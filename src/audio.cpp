// Music and sound effects: one sound engine for the whole run, the two music states (intro, then the
// main music from the first level on) and the action callbacks that play and stop sounds on time.
#include "audio.h"

#include <stdlib.h>
#include <time.h>

#include "app.h"
#include "vek/print.h"
#include "vek/scheduler.h"

Audio_State audio_state = {};

void init_audio() {
    audio_state.engine = create_sound_engine();
    set_master_volume(audio_state.engine, master_volume);
    srand((u32)time(nullptr));
    array_list_init(&audio_state.activation_sounds, 16);
    array_list_push(&audio_state.activation_sounds, "audio/effects/activation/activation.mp3");
}

void start_music() {
    println("call start_music");
    audio_state.intro = play_sound_2d(audio_state.engine, "audio/drox_intro.mp3", false, false, true);
    set_sound_volume(audio_state.intro, music_volume);
    // Loaded paused and never resumed: the menu stays quiet once the jingle is over.
    audio_state.menu_loop = play_sound_2d(audio_state.engine, "audio/drox_mainmenu_loop.wav", true, true, true);
    set_sound_volume(audio_state.menu_loop, music_volume);
}

void start_main_loop_music() {
    // The intro music goes quieter at once and stops at the next update. Later loads of the first
    // level stop the stopped sounds again, which does nothing.
    if (audio_state.intro) {
        set_sound_volume(audio_state.intro, 0.2f);
        schedule_action<sound_stop_action>(&game_scheduler, 0.0f, Stop_Sound_Param{audio_state.intro},
                                           "sound stop action");
    }
    if (audio_state.menu_loop) {
        set_sound_volume(audio_state.menu_loop, 0.3f);
        schedule_action<sound_stop_action>(&game_scheduler, 0.0f, Stop_Sound_Param{audio_state.menu_loop},
                                           "sound stop action");
    }
    // Started once; a restart of the level lets it run on.
    if (!audio_state.main_music) {
        audio_state.main_music =
            play_sound_2d(audio_state.engine, "audio/drox_mainloop_new.mp3", true, false, true);
        set_sound_volume(audio_state.main_music, music_volume);
    }
}

void play_sound_action(Play_Sound_Param* param) {
    play_sound_2d(param->engine, param->file, false, false, false);
}

void sound_stop_action(Stop_Sound_Param* param) { stop_sound(param->sound); }
