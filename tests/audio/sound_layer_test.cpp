// Sound layer against real mixer output (OpenAL Soft's wave writer, in real time): what plays, when,
// for how long, how loud, and what the controls of a tracked sound do to it. Every call is marked in
// the output's own time, so a busy machine moves the marks, not the verdict.
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
    Output_Clock clock;

    void start() {
        engine = create_sound_engine();
        clock = output_clock();
    }
    // Ends the run once the output holds `seconds` and returns everything the engine played.
    Audio finish(double seconds) {
        clock.wait_until(seconds);
        destroy_sound_engine(engine);
        Audio out;
        EXPECT_TRUE(read_audio(wave_output_path(), &out));
        EXPECT_EQ(out.rate, 44100);
        EXPECT_EQ(out.channels, 2);
        EXPECT_GE(double(out.frames()) / out.rate, seconds);
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
    const std::string files[] = {tone, float_tone, mono_tone, "audio/effects/gems/red_sfx.mp3"};
    const double lengths[] = {0.5, 0.3, 0.3, 0.8};
    start();
    Mark at[4];
    for (int i = 0; i < 4; i++) {
        clock.wait_until(i == 0 ? 0.1 : at[i - 1].to + lengths[i - 1] + 0.1);
        at[i] = clock.mark(
            [&] { EXPECT_EQ(play_sound_2d(engine, files[i].c_str(), false, false, false), nullptr); });
    }
    Audio out = finish(at[3].to + lengths[3] + 0.4);

    // Each sound is heard once, when it was played, for as long as its file.
    for (int i = 0; i < 4; i++) {
        double end = i < 3 ? at[i + 1].from : double(out.frames()) / out.rate;
        Span span = audible_span(out, at[i].from, end, i < 3 ? 1e-3 : 1e-4);
        EXPECT_LE(span.start, at[i].to) << files[i];
        EXPECT_NEAR(span.length(), lengths[i], i < 3 ? 0.02 : 0.05) << files[i];
    }
    EXPECT_LT(rms(out, 0.0, at[0].from), silent);

    // Samples: 16-bit, float and MP3 files come out as their decoded samples, at full level.
    long start = find_start(out, tone_ref, at[0]);
    EXPECT_NEAR(rms(out, double(start) / 44100 + 0.1, double(start) / 44100 + 0.4), tone_rms, 0.01);
    EXPECT_LT(residual_rms(out, {{&tone_ref, start, 1.0f}}, 0.0, at[1].from), 1e-3);
    start = find_start(out, float_ref, at[1]);
    EXPECT_LT(residual_rms(out, {{&float_ref, start, 1.0f}}, at[1].from, at[2].from), 1e-3);
    EXPECT_GT(rms(out, at[2].to + 0.05, at[2].to + 0.2), 0.1) << "a mono file is heard";
    start = find_start(out, mp3_ref, at[3]);
    EXPECT_GT(rms(out, at[3].from, at[3].to + 0.8), 0.03);
    double end = double(out.frames()) / out.rate;
    EXPECT_LT(residual_rms(out, {{&mp3_ref, start, 1.0f}}, at[3].from, end), 1e-3);
}

TEST_F(Sound_Layer, LoopedSoundPlaysOnPastItsLengthWithoutGaps) {
    start();
    clock.wait_until(0.1);
    Mark at = clock.mark([&] { play_sound_2d(engine, loop_tone.c_str(), true, false, false); });
    Audio out = finish(at.to + 1.2);
    // Over four times the file's length, with no quiet 10 ms anywhere.
    for (double t = at.to; t < at.to + 1.15; t += 0.01)
        ASSERT_NEAR(rms(out, t, t + 0.01), tone_rms, 0.02) << "at " << t;
}

TEST_F(Sound_Layer, TrackedSoundFollowsPauseVolumeAndStop) {
    start();
    Sound* sound = nullptr;
    Mark at[8];
    at[0] = clock.mark([&] { sound = play_sound_2d(engine, loop_tone.c_str(), true, true, true); });
    ASSERT_NE(sound, nullptr);
    // Each step half a second of output after the last one has landed.
    auto next = [&](int i, auto fn) {
        clock.wait_until(at[i - 1].to + 0.5);
        at[i] = clock.mark(fn);
    };
    next(1, [&] { set_sound_paused(sound, false); });
    next(2, [&] { set_sound_paused(sound, true); });
    next(3, [&] { set_sound_paused(sound, false); });
    next(4, [&] { set_sound_volume(sound, 0.5f); });
    next(5, [&] { set_sound_volume(sound, 0.0f); });
    next(6, [&] { set_sound_volume(sound, 1.0f); });
    next(7, [&] { stop_sound(sound); });
    clock.wait_until(at[7].to + 0.2);
    set_sound_paused(sound, false);   // a stopped sound does not start again
    set_sound_volume(sound, 1.0f);
    clock.wait_until(at[7].to + 0.6);
    release_sound(sound);
    Audio out = finish(at[7].to + 0.8);

    // Each phase measured between the marks of the calls that begin and end it.
    auto phase = [&](int i) { return rms(out, at[i].to, at[i + 1].from); };
    EXPECT_LT(rms(out, 0.0, at[1].from), silent) << "started paused";
    EXPECT_NEAR(phase(1), tone_rms, 0.01) << "resumed";
    EXPECT_LT(phase(2), silent) << "paused";
    EXPECT_NEAR(phase(3), tone_rms, 0.01) << "resumed again";
    EXPECT_NEAR(phase(4), tone_rms * 0.5, 0.01) << "half volume";
    EXPECT_LT(phase(5), silent) << "volume 0";
    EXPECT_NEAR(phase(6), tone_rms, 0.01) << "full volume";
    EXPECT_LT(rms(out, at[7].to, at[7].to + 0.8), silent) << "stopped";
}

TEST_F(Sound_Layer, MasterVolumeScalesWhatPlays) {
    start();
    Sound* sound = nullptr;
    Mark loop = clock.mark([&] { sound = play_sound_2d(engine, loop_tone.c_str(), true, false, true); });
    clock.wait_until(loop.to + 0.3);
    Mark master = clock.mark([&] { set_master_volume(engine, 0.25f); });
    clock.wait_until(master.to + 0.3);
    Mark effect = clock.mark([&] { play_sound_2d(engine, tone_660.c_str(), false, false, false); });
    clock.wait_until(effect.to + 0.4);
    stop_sound(sound);
    release_sound(sound);
    Audio out = finish(effect.to + 0.5);

    double full = rms(out, loop.to, master.from);
    EXPECT_NEAR(full, tone_rms, 0.01);
    EXPECT_NEAR(rms(out, master.to, effect.from) / full, 0.25, 0.01);
    EXPECT_NEAR(rms(out, effect.to, effect.to + 0.4), 0.25 * tone_rms * std::sqrt(2.0), 0.005)
        << "a new effect plays under the same master volume";
}

TEST_F(Sound_Layer, FinishedEffectsGiveBackTheirSources) {
    // The mixer has 256 sources; 400 short effects only fit if finished ones are returned. Each batch
    // waits 0.1 s of output: the previous one has played out by then.
    start();
    for (int batch = 0; batch < 8; batch++) {
        clock.wait_until(0.1 * batch);
        for (int i = 0; i < 50; i++) play_sound_2d(engine, blip.c_str(), false, false, false);
    }
    clock.wait_until(1.0);
    Sound* late = nullptr;
    Mark both = clock.mark([&] {
        late = play_sound_2d(engine, loop_tone.c_str(), true, false, true);
        play_sound_2d(engine, loop_660.c_str(), true, false, false);
    });
    clock.wait_until(both.to + 0.4);
    Mark released = clock.mark([&] { release_sound(late); });
    Audio out = finish(released.to + 0.3);
    EXPECT_NEAR(rms(out, both.to, released.from), tone_rms * std::sqrt(2.0), 0.01) << "both late sounds play";
    EXPECT_NEAR(rms(out, released.to, released.to + 0.3), tone_rms, 0.02)
        << "the released one stopped, the other loops on";
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
