// Without an audio device: the engine says so once and everything the game does with sound still runs.
// Its own process, because the mixer reads its driver setting once.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "app.h"
#include "audio.h"
#include "capture.h"
#include "vek/scheduler.h"

namespace {

const char* no_device_line = "No sound device could be opened: the game runs without sound\n";

class Silent_Engine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ensure_printer();
        init_scheduler(&game_scheduler);
        setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
    }
};

TEST_F(Silent_Engine, SaysSoOnceAndEveryOperationWorks) {
    Sound_Engine* engine = nullptr;
    std::string log = capture_print([&] {
        engine = create_sound_engine();
        set_master_volume(engine, 0.2f);
        Sound* sound = play_sound_2d(engine, "audio/drox_intro.mp3", true, true, true);
        ASSERT_NE(sound, nullptr);
        set_sound_paused(sound, false);
        set_sound_volume(sound, 0.5f);
        set_sound_paused(sound, true);
        stop_sound(sound);
        release_sound(sound);
        for (int i = 0; i < 300; i++)
            EXPECT_EQ(play_sound_2d(engine, "audio/effects/gems/red_sfx.mp3", false, false, false), nullptr);
        EXPECT_NE(play_sound_2d(engine, "audio/no_such_file.mp3", false, false, true), nullptr);
        destroy_sound_engine(engine);
    });
    EXPECT_EQ(log, no_device_line);
}

TEST_F(Silent_Engine, GameMusicAndEffectsRunWithoutSound) {
    srand(1);
    int first_of_default_seed = rand();
    std::string log = capture_print([] {
        init_audio();
        start_music();
        start_main_loop_music();
        schedule_action<play_sound_action>(&game_scheduler, 0.0f,
                                           Play_Sound_Param{"audio/effects/level_finish2.mp3", audio_state.engine},
                                           "soundengine->play2D");
        update_scheduler(&game_scheduler, 0.016f);
        start_main_loop_music();
        update_scheduler(&game_scheduler, 0.016f);
    });
    EXPECT_EQ(log, std::string(no_device_line) + "call start_music\n");
    EXPECT_NE(audio_state.intro, nullptr);
    EXPECT_NE(audio_state.menu_loop, nullptr);
    EXPECT_NE(audio_state.main_music, nullptr);
    EXPECT_NE(rand(), first_of_default_seed) << "the random generator is seeded from the clock";
    ASSERT_EQ(audio_state.activation_sounds.count, 1u);
    EXPECT_STREQ(audio_state.activation_sounds.data[0], "audio/effects/activation/activation.mp3");
}

}  // namespace
