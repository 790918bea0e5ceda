// Music and effects of the game against real mixer output: the output is compared sample by sample
// with the expected mix of the game's own sound files, so a sound that plays when it should not, twice,
// too loud or from the wrong place shows up as a residual.
#include <gtest/gtest.h>

#include <string>

#include "app.h"
#include "audio.h"
#include "capture.h"
#include "vek/scheduler.h"
#include "wave_capture.h"

namespace {

constexpr double silent = 1e-4;

class Game_Audio : public ::testing::Test {
protected:
    Stopwatch clock;

    void SetUp() override {
        ensure_printer();
        wave_output_path();
        static bool scheduler_ready = false;
        if (!scheduler_ready) init_scheduler(&game_scheduler);
        scheduler_ready = true;
        init_audio();
        clock = Stopwatch();
    }
    // Ends the run at `seconds` and returns everything the engine played.
    Audio finish(double seconds) {
        clock.wait_until(seconds);
        clear_scheduler(&game_scheduler);
        for (Sound* sound : {audio_state.intro, audio_state.menu_loop, audio_state.main_music})
            if (sound) release_sound(sound);
        destroy_sound_engine(audio_state.engine);
        array_list_free(&audio_state.activation_sounds);
        audio_state = {};
        Audio out;
        EXPECT_TRUE(read_audio(wave_output_path(), &out));
        return out;
    }
    // Advances the gameplay scheduler by real time, frame by frame, until `seconds`.
    void run_frames_until(double seconds) {
        double last = clock.seconds();
        while (clock.seconds() < seconds) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            double now = clock.seconds();
            update_scheduler(&game_scheduler, f32(now - last));
            last = now;
        }
    }
    static Audio load(const char* path) {
        Audio a;
        EXPECT_TRUE(read_audio(path, &a)) << path;
        EXPECT_EQ(a.rate, 44100) << path;
        EXPECT_EQ(a.channels, 2) << path;
        return a;
    }
};

TEST_F(Game_Audio, IntroJinglePlaysOnceAndTheMenuLoopStaysPaused) {
    std::string log = capture_print([] { start_music(); });
    EXPECT_EQ(log, "call start_music\n");
    ASSERT_NE(audio_state.intro, nullptr);
    ASSERT_NE(audio_state.menu_loop, nullptr);
    Audio out = finish(9.0);

    Audio intro = load("audio/drox_intro.mp3");
    long at = find_start(out, intro, 0.0, 0.15, 0.5);
    EXPECT_NEAR(double(at) / 44100, 0.0, 0.1) << "starts at once";
    // Master volume 0.2, music volume 1, nothing else mixed in.
    double level = rms(out, 0.5, 7.5);
    EXPECT_GT(level, 0.01);
    EXPECT_LT(residual_rms(out, {{&intro, at, master_volume * music_volume}}, 0.0, 8.2), 0.02 * level);
    EXPECT_LT(rms(out, 8.3, 9.0), silent) << "quiet once the jingle is over";
}

TEST_F(Game_Audio, FirstLevelSwapsTheIntroForTheMainMusicOnce) {
    start_music();
    clock.wait_until(0.5);
    start_main_loop_music();   // the first level loads
    Sound* main_music = audio_state.main_music;
    ASSERT_NE(main_music, nullptr);
    run_frames_until(1.5);
    start_main_loop_music();   // the level is restarted
    EXPECT_EQ(audio_state.main_music, main_music);
    run_frames_until(2.5);
    Audio out = finish(2.5);

    Audio intro = load("audio/drox_intro.mp3");
    Audio main_loop = load("audio/drox_mainloop_new.mp3");
    long intro_at = find_start(out, intro, 0.0, 0.15, 0.1);
    long main_at = find_start(out, main_loop, 0.5, 0.15, 0.6);
    EXPECT_NEAR(double(main_at) / 44100, 0.5, 0.1);
    EXPECT_LT(residual_rms(out, {{&intro, intro_at, master_volume}}, 0.05, 0.45), 0.02 * rms(out, 0.05, 0.45));
    // From the first frame after the load: the main music alone, started once and never restarted.
    double level = rms(out, 0.6, 2.5);
    EXPECT_GT(level, 0.01);
    EXPECT_LT(residual_rms(out, {{&main_loop, main_at, master_volume * music_volume}}, 0.6, 2.5), 0.02 * level);
}

TEST_F(Game_Audio, GemEffectsScheduledTogetherAllPlayOnTime) {
    const char* files[] = {"audio/effects/gems/red_sfx.mp3", "audio/effects/gems/yellow_sfx.mp3",
                           "audio/effects/gems/blue_sfx.mp3", "audio/effects/gems/purple_sfx.mp3"};
    for (const char* file : files)
        schedule_action<play_sound_action>(&game_scheduler, 0.3f, Play_Sound_Param{file, audio_state.engine},
                                           "soundengine->play2D");
    run_frames_until(1.8);
    Audio out = finish(1.8);

    EXPECT_LT(rms(out, 0.0, 0.25), silent) << "nothing before its time";
    Audio refs[4];
    std::vector<Part_Of_Mix> mix;
    for (int i = 0; i < 4; i++) {
        refs[i] = load(files[i]);
        mix.push_back({&refs[i], 0, master_volume});
    }
    fit_starts(out, &mix, 0.3, 0.1);
    for (int i = 0; i < 4; i++) EXPECT_NEAR(double(mix[i].start) / 44100, 0.3, 0.06) << files[i];
    // All four overlap, each once, at the default sound volume under the master volume.
    double level = rms(out, 0.3, 1.1);
    EXPECT_GT(level, 0.01);
    EXPECT_LT(residual_rms(out, mix, 0.0, 1.8), 0.02 * level);
}

}  // namespace
