// Music and effects of the game against real mixer output: the output is compared sample by sample
// with the expected mix of the game's own sound files, so a sound that plays when it should not, twice,
// too loud or from the wrong place shows up as a residual. Calls and frames are marked in the output's
// own time, which a busy machine cannot skew.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app.h"
#include "audio.h"
#include "capture.h"
#include "vek/scheduler.h"
#include "wave_capture.h"

namespace {

constexpr double silent = 1e-4;

class Game_Audio : public ::testing::Test {
protected:
    Output_Clock clock;

    void SetUp() override {
        ensure_printer();
        wave_output_path();
        static bool scheduler_ready = false;
        if (!scheduler_ready) init_scheduler(&game_scheduler);
        scheduler_ready = true;
        init_audio();
        clock = output_clock();
    }
    // Ends the run once the output holds `seconds` and returns everything the engine played.
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
        EXPECT_GE(double(out.frames()) / out.rate, seconds);
        return out;
    }
    // One game frame: its time step and where its scheduler update lands in the output.
    struct Frame {
        f32 dt;
        Mark update;
    };
    // Advances the gameplay scheduler frame by frame until the output holds `seconds`; each step is the
    // output that passed since the last frame, so the scheduler runs on the output's time.
    std::vector<Frame> run_frames_until(double seconds) {
        std::vector<Frame> frames;
        double last = clock.seconds();
        while (last < seconds) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            double now = clock.seconds();
            f32 dt = f32(now - last);
            frames.push_back({dt, clock.mark([&] { update_scheduler(&game_scheduler, dt); })});
            last = now;
        }
        return frames;
    }
    // The frame whose update fires an action scheduled `delay` seconds before the first frame (the
    // scheduler counts the delay down in single precision).
    static const Frame* firing_frame(const std::vector<Frame>& frames, f32 delay) {
        for (const Frame& frame : frames)
            if ((delay -= frame.dt) <= 0) return &frame;
        return nullptr;
    }
    static Audio load(const char* path) {
        Audio a;
        EXPECT_TRUE(read_audio(path, &a)) << path;
        EXPECT_EQ(a.rate, 44100) << path;
        EXPECT_EQ(a.channels, 2) << path;
        return a;
    }
};

// Each sound's start is searched only inside the mark of the call that should start it: the residual
// against the expected mix then fails if it started anywhere else, or twice.

TEST_F(Game_Audio, IntroJinglePlaysOnceAndTheMenuLoopStaysPaused) {
    Mark started;
    std::string log = capture_print([&] { started = clock.mark([] { start_music(); }); });
    EXPECT_EQ(log, "call start_music\n");
    ASSERT_NE(audio_state.intro, nullptr);
    ASSERT_NE(audio_state.menu_loop, nullptr);
    Audio intro = load("audio/drox_intro.mp3");
    double length = double(intro.frames()) / intro.rate;
    Audio out = finish(started.to + length + 0.7);

    long at = find_start(out, intro, started, 0.5);
    double end = double(at) / 44100 + length;
    // Master volume 0.2, music volume 1, nothing else mixed in.
    double level = rms(out, double(at) / 44100, end);
    EXPECT_GT(level, 0.01);
    EXPECT_LT(residual_rms(out, {{&intro, at, master_volume * music_volume}}, 0.0, end), 0.02 * level);
    EXPECT_LT(rms(out, end, double(out.frames()) / out.rate), silent) << "quiet once the jingle is over";
}

TEST_F(Game_Audio, FirstLevelSwapsTheIntroForTheMainMusicOnce) {
    Mark started = clock.mark([] { start_music(); });
    clock.wait_until(0.5);
    Mark level_loaded = clock.mark([] { start_main_loop_music(); });   // the first level loads
    Sound* main_music = audio_state.main_music;
    ASSERT_NE(main_music, nullptr);
    std::vector<Frame> frames = run_frames_until(level_loaded.to + 1.0);
    ASSERT_FALSE(frames.empty());
    start_main_loop_music();   // the level is restarted
    EXPECT_EQ(audio_state.main_music, main_music);
    run_frames_until(level_loaded.to + 2.0);
    Audio out = finish(level_loaded.to + 2.0);

    Audio intro = load("audio/drox_intro.mp3");
    Audio main_loop = load("audio/drox_mainloop_new.mp3");
    long intro_at = find_start(out, intro, started, 0.1);
    long main_at = find_start(out, main_loop, level_loaded, 0.6);
    EXPECT_LT(residual_rms(out, {{&intro, intro_at, master_volume}}, 0.0, level_loaded.from),
              0.02 * rms(out, 0.0, level_loaded.from));
    // From the first frame after the load: the main music alone, started once and never restarted.
    double from = frames[0].update.to, to = double(out.frames()) / out.rate;
    double level = rms(out, from, to);
    EXPECT_GT(level, 0.01);
    EXPECT_LT(residual_rms(out, {{&main_loop, main_at, master_volume * music_volume}}, from, to),
              0.02 * level);
}

TEST_F(Game_Audio, GemEffectsScheduledTogetherAllPlayOnTime) {
    const char* files[] = {"audio/effects/gems/red_sfx.mp3", "audio/effects/gems/yellow_sfx.mp3",
                           "audio/effects/gems/blue_sfx.mp3", "audio/effects/gems/purple_sfx.mp3"};
    for (const char* file : files)
        schedule_action<play_sound_action>(&game_scheduler, 0.3f, Play_Sound_Param{file, audio_state.engine},
                                           "soundengine->play2D");
    double end = clock.seconds() + 1.8;
    std::vector<Frame> frames = run_frames_until(end);
    Audio out = finish(end);

    const Frame* fired = firing_frame(frames, 0.3f);
    ASSERT_NE(fired, nullptr);
    EXPECT_LT(rms(out, 0.0, fired->update.from), silent) << "nothing before its time";
    Audio refs[4];
    std::vector<Part_Of_Mix> mix;
    for (int i = 0; i < 4; i++) {
        refs[i] = load(files[i]);
        mix.push_back({&refs[i], 0, master_volume});
    }
    fit_starts(out, &mix, fired->update, 0.1);
    // All four overlap, each once, at the default sound volume under the master volume.
    double level = rms(out, fired->update.to, fired->update.to + 0.8);
    EXPECT_GT(level, 0.01);
    EXPECT_LT(residual_rms(out, mix, 0.0, double(out.frames()) / out.rate), 0.02 * level);
}

}  // namespace
