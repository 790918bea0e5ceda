// Sound layer against real mixer output (OpenAL Soft's wave writer, in real time): what plays, for how
// long, how loud, and what the controls of a tracked sound do to it.
#include <gtest/gtest.h>

#include <string>

#include "capture.h"
#include "sound.h"
#include "wave_capture.h"

namespace {

constexpr double silent = 1e-4;        // RMS below this is silence
constexpr double tone_rms = 0.35355;   // a sine of amplitude 0.5

class Sound_Layer : public ::testing::Test {
protected:
    static std::string dir;
    static std::string tone, tone_660, float_tone, mono_tone, loop_tone, loop_660, blip;

    static void SetUpTestSuite() {
        ensure_printer();
        const std::string& out = wave_output_path();
        dir = out.substr(0, out.rfind('/'));
        tone = dir + "/tone.wav";
        tone_660 = dir + "/tone_660.wav";
        float_tone = dir + "/float_tone.wav";
        mono_tone = dir + "/mono_tone.wav";
        loop_tone = dir + "/loop_tone.wav";
        loop_660 = dir + "/loop_660.wav";
        blip = dir + "/blip.wav";
        write_tone(tone, 0.5, 0.5f, 440.0, 2, SF_FORMAT_PCM_16);
        write_tone(tone_660, 0.5, 0.5f, 660.0, 2, SF_FORMAT_PCM_16);
        write_tone(float_tone, 0.3, 0.25f, 660.0, 2, SF_FORMAT_FLOAT);
        write_tone(mono_tone, 0.3, 0.5f, 550.0, 1, SF_FORMAT_PCM_16);
        // Whole cycles: seamless loops. Tones of different pitch add up in power, whatever their phase.
        write_tone(loop_tone, 0.25, 0.5f, 440.0, 2, SF_FORMAT_PCM_16);
        write_tone(loop_660, 0.25, 0.5f, 660.0, 2, SF_FORMAT_PCM_16);
        write_tone(blip, 0.02, 0.01f, 880.0, 2, SF_FORMAT_PCM_16);   // quiet: fifty at once stay off the limiter
    }

    Sound_Engine* engine = nullptr;
    Stopwatch clock;

    void start() {
        engine = create_sound_engine();
        clock = Stopwatch();
    }
    // Ends the run at `seconds` and returns everything the engine played.
    Audio finish(double seconds) {
        clock.wait_until(seconds);
        destroy_sound_engine(engine);
        Audio out;
        EXPECT_TRUE(read_audio(wave_output_path(), &out));
        EXPECT_EQ(out.rate, 44100);
        EXPECT_EQ(out.channels, 2);
        return out;
    }
    static Audio load(const std::string& path) {
        Audio a;
        EXPECT_TRUE(read_audio(path, &a)) << path;
        return a;
    }
};

std::string Sound_Layer::dir, Sound_Layer::tone, Sound_Layer::tone_660, Sound_Layer::float_tone,
    Sound_Layer::mono_tone, Sound_Layer::loop_tone, Sound_Layer::loop_660, Sound_Layer::blip;

TEST_F(Sound_Layer, EffectsPlayOnceExactlyAsDecoded) {
    Audio tone_ref = load(tone), float_ref = load(float_tone);
    Audio mp3_ref = load("audio/effects/gems/red_sfx.mp3");
    start();
    clock.wait_until(0.1);
    EXPECT_EQ(play_sound_2d(engine, tone.c_str(), false, false, false), nullptr);
    clock.wait_until(0.9);
    play_sound_2d(engine, float_tone.c_str(), false, false, false);
    clock.wait_until(1.5);
    play_sound_2d(engine, mono_tone.c_str(), false, false, false);
    clock.wait_until(2.1);
    play_sound_2d(engine, "audio/effects/gems/red_sfx.mp3", false, false, false);
    Audio out = finish(3.3);

    // Length: each sound is heard once, for as long as its file.
    EXPECT_NEAR(audible_span(out, 0.0, 0.85).length(), 0.5, 0.02);
    EXPECT_NEAR(audible_span(out, 0.85, 1.45).length(), 0.3, 0.02);
    EXPECT_NEAR(audible_span(out, 1.45, 2.05).length(), 0.3, 0.02);
    EXPECT_NEAR(audible_span(out, 2.05, 3.3, 1e-4).length(), 0.8, 0.05);
    EXPECT_NEAR(audible_span(out, 0.0, 0.85).start, 0.1, 0.08);

    // Samples: 16-bit, float and MP3 files come out as their decoded samples, at full level.
    long at = find_start(out, tone_ref, 0.1);
    EXPECT_NEAR(rms(out, double(at) / 44100 + 0.1, double(at) / 44100 + 0.4), tone_rms, 0.01);
    EXPECT_LT(residual_rms(out, {{&tone_ref, at, 1.0f}}, 0.0, 0.85), 1e-3);
    at = find_start(out, float_ref, 0.9);
    EXPECT_LT(residual_rms(out, {{&float_ref, at, 1.0f}}, 0.85, 1.45), 1e-3);
    EXPECT_GT(rms(out, 1.6, 1.75), 0.1) << "a mono file is heard";
    at = find_start(out, mp3_ref, 2.1);
    EXPECT_GT(rms(out, 2.05, 3.3), 0.03);
    EXPECT_LT(residual_rms(out, {{&mp3_ref, at, 1.0f}}, 2.05, 3.3), 1e-3);
}

TEST_F(Sound_Layer, LoopedSoundPlaysOnPastItsLengthWithoutGaps) {
    start();
    clock.wait_until(0.1);
    play_sound_2d(engine, loop_tone.c_str(), true, false, false);
    Audio out = finish(1.4);
    // Over four times the file's length, with no quiet 10 ms anywhere.
    for (double t = 0.25; t < 1.3; t += 0.01) ASSERT_NEAR(rms(out, t, t + 0.01), tone_rms, 0.02) << "at " << t;
}

TEST_F(Sound_Layer, TrackedSoundFollowsPauseVolumeAndStop) {
    start();
    Sound* sound = play_sound_2d(engine, loop_tone.c_str(), true, true, true);
    ASSERT_NE(sound, nullptr);
    clock.wait_until(0.5);
    set_sound_paused(sound, false);
    clock.wait_until(1.0);
    set_sound_paused(sound, true);
    clock.wait_until(1.5);
    set_sound_paused(sound, false);
    clock.wait_until(2.0);
    set_sound_volume(sound, 0.5f);
    clock.wait_until(2.5);
    set_sound_volume(sound, 0.0f);
    clock.wait_until(3.0);
    set_sound_volume(sound, 1.0f);
    clock.wait_until(3.5);
    stop_sound(sound);
    clock.wait_until(3.7);
    set_sound_paused(sound, false);   // a stopped sound does not start again
    set_sound_volume(sound, 1.0f);
    clock.wait_until(4.1);
    release_sound(sound);
    Audio out = finish(4.3);

    // Each phase measured away from its edges: the mixer takes a few milliseconds to follow.
    EXPECT_LT(rms(out, 0.05, 0.45), silent) << "started paused";
    EXPECT_NEAR(rms(out, 0.6, 0.9), tone_rms, 0.01) << "resumed";
    EXPECT_LT(rms(out, 1.1, 1.4), silent) << "paused";
    EXPECT_NEAR(rms(out, 1.6, 1.9), tone_rms, 0.01) << "resumed again";
    EXPECT_NEAR(rms(out, 2.1, 2.4), tone_rms * 0.5, 0.01) << "half volume";
    EXPECT_LT(rms(out, 2.6, 2.9), silent) << "volume 0";
    EXPECT_NEAR(rms(out, 3.1, 3.4), tone_rms, 0.01) << "full volume";
    EXPECT_LT(rms(out, 3.6, 4.3), silent) << "stopped";
}

TEST_F(Sound_Layer, MasterVolumeScalesWhatPlays) {
    start();
    Sound* sound = play_sound_2d(engine, loop_tone.c_str(), true, false, true);
    clock.wait_until(0.5);
    set_master_volume(engine, 0.25f);
    clock.wait_until(0.9);
    play_sound_2d(engine, tone_660.c_str(), false, false, false);
    clock.wait_until(1.5);
    stop_sound(sound);
    release_sound(sound);
    Audio out = finish(1.6);

    double full = rms(out, 0.1, 0.4);
    EXPECT_NEAR(full, tone_rms, 0.01);
    EXPECT_NEAR(rms(out, 0.6, 0.85) / full, 0.25, 0.01);
    EXPECT_NEAR(rms(out, 1.0, 1.3), 0.25 * tone_rms * std::sqrt(2.0), 0.005)
        << "a new effect plays under the same master volume";
}

TEST_F(Sound_Layer, FinishedEffectsGiveBackTheirSources) {
    // The mixer has 256 sources; 400 short effects only fit if finished ones are returned.
    start();
    for (int batch = 0; batch < 8; batch++) {
        for (int i = 0; i < 50; i++) play_sound_2d(engine, blip.c_str(), false, false, false);
        clock.wait_until(0.1 * (batch + 1));
    }
    clock.wait_until(1.0);
    Sound* late = play_sound_2d(engine, loop_tone.c_str(), true, false, true);
    play_sound_2d(engine, loop_660.c_str(), true, false, false);
    clock.wait_until(1.5);
    release_sound(late);
    // Measured well after the release: on a busy machine the mixer may run a period or two behind.
    Audio out = finish(2.0);
    EXPECT_NEAR(rms(out, 1.1, 1.4), tone_rms * std::sqrt(2.0), 0.01) << "both late sounds play";
    EXPECT_NEAR(rms(out, 1.8, 2.0), tone_rms, 0.02) << "the released one stopped, the other loops on";
}

TEST_F(Sound_Layer, UnplayableFilesGiveSilentHandlesAndOneMessageEach) {
    std::string garbage = dir + "/garbage.mp3";
    FILE* file = fopen(garbage.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    for (int i = 0; i < 5000; i++) fputc((i * 7919) & 0xff, file);
    fclose(file);

    start();
    std::string log = capture_print([&] {
        for (const std::string& path : {std::string("audio/no_such_file.mp3"), garbage}) {
            for (int i = 0; i < 3; i++) {
                Sound* sound = play_sound_2d(engine, path.c_str(), i == 1, false, true);
                ASSERT_NE(sound, nullptr);
                set_sound_volume(sound, 0.5f);
                set_sound_paused(sound, true);
                set_sound_paused(sound, false);
                stop_sound(sound);
                release_sound(sound);
                EXPECT_EQ(play_sound_2d(engine, path.c_str(), false, false, false), nullptr);
            }
        }
    });
    Audio out = finish(0.3);
    EXPECT_LT(rms(out, 0.0, 0.3), silent);
    auto count = [&](const std::string& text) {
        size_t n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) n++;
        return n;
    };
    EXPECT_EQ(count("\"audio/no_such_file.mp3\""), 1u) << log;
    EXPECT_EQ(count("\"" + garbage + "\""), 1u) << log;
    EXPECT_EQ(count("\n"), 2u) << log;
}

TEST_F(Sound_Layer, HandlesOutliveTheirEngine) {
    start();
    Sound* sound = play_sound_2d(engine, loop_tone.c_str(), true, false, true);
    finish(0.2);
    // The engine is gone: the handle is silent and can still be used and released.
    set_sound_volume(sound, 0.5f);
    set_sound_paused(sound, true);
    stop_sound(sound);
    release_sound(sound);
}

}  // namespace
