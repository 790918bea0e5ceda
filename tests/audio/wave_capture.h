// Test helpers: send the mixer's output into a WAV file (OpenAL Soft's wave writer), pace a test by
// that output and mark where each call lands in it, read the file back and measure it: loudness over a
// time range, where sound starts and ends, and how far the output is from an expected mix of known files.
#pragma once

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include <AL/alc.h>
#include <gtest/gtest.h>
#include <sndfile.h>

// Interleaved float samples.
struct Audio {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;
    size_t frames() const { return channels ? samples.size() / size_t(channels) : 0; }
    size_t frame_at(double seconds) const {
        if (seconds <= 0.0) return 0;
        size_t f = size_t(seconds * rate);
        return f < frames() ? f : frames();
    }
    // Sum of the channels of one frame (0 outside the audio).
    float mono(long frame) const {
        if (frame < 0 || size_t(frame) >= frames()) return 0.0f;
        float sum = 0.0f;
        for (int c = 0; c < channels; c++) sum += samples[size_t(frame) * size_t(channels) + size_t(c)];
        return sum;
    }
};

inline bool read_audio(const std::string& path, Audio* out) {
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return false;
    sf_command(file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    out->rate = info.samplerate;
    out->channels = info.channels;
    out->samples.clear();
    std::vector<float> block(4096 * size_t(info.channels));
    sf_count_t got;
    while ((got = sf_readf_float(file, block.data(), 4096)) > 0)
        out->samples.insert(out->samples.end(), block.begin(), block.begin() + got * info.channels);
    sf_close(file);
    return true;
}

// Root mean square over all channels of [from_s, to_s).
inline double rms(const Audio& a, double from_s, double to_s) {
    size_t first = a.frame_at(from_s), last = a.frame_at(to_s);
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = first * size_t(a.channels); i < last * size_t(a.channels); i++, n++)
        sum += double(a.samples[i]) * a.samples[i];
    return n ? std::sqrt(sum / double(n)) : 0.0;
}

struct Span {
    double start = -1.0, end = -1.0;   // -1: nothing audible
    double length() const { return end - start; }
};

// First and last 5 ms window in [from_s, to_s) whose peak passes the threshold.
inline Span audible_span(const Audio& a, double from_s, double to_s, double threshold = 1e-3) {
    Span span;
    size_t window = size_t(a.rate) / 200;
    for (size_t f = a.frame_at(from_s); f + window <= a.frame_at(to_s); f += window) {
        float peak = 0.0f;
        for (size_t i = f * size_t(a.channels); i < (f + window) * size_t(a.channels); i++)
            peak = std::max(peak, std::fabs(a.samples[i]));
        if (peak < threshold) continue;
        if (span.start < 0.0) span.start = double(f) / a.rate;
        span.end = double(f + window) / a.rate;
    }
    return span;
}

// Where the effect of one call can land in the output, in seconds of output (see Output_Clock::mark).
struct Mark {
    double from = 0.0, to = 0.0;
};

// Where `ref` starts inside `out`, in frames: the start inside `when` that best matches 0.2 s of the
// reference from ref_from_s (normalised cross-correlation of the channel sums).
inline long find_start(const Audio& out, const Audio& ref, const Mark& when, double ref_from_s = 0.0) {
    long first = long(when.from * out.rate), last = long(when.to * out.rate);
    long ref_first = long(ref.frame_at(ref_from_s));
    long length = long(0.2 * ref.rate);
    std::vector<float> r(static_cast<size_t>(length));
    std::vector<float> o(static_cast<size_t>(length + last - first + 1));
    for (long i = 0; i < length; i++) r[size_t(i)] = ref.mono(ref_first + i);
    for (size_t i = 0; i < o.size(); i++) o[i] = out.mono(first + ref_first + long(i));
    long best = first;
    double best_score = -1e30;
    for (long shift = 0; shift <= last - first; shift++) {
        const float* window = o.data() + shift;
        double dot = 0.0, energy = 1e-12;
        for (long i = 0; i < length; i++) {
            dot += double(window[i]) * r[size_t(i)];
            energy += double(window[i]) * window[i];
        }
        double score = dot / std::sqrt(energy);
        if (score > best_score) {
            best_score = score;
            best = first + shift;
        }
    }
    return best;
}

// One known file in the expected output: its samples times gain, starting at frame `start`.
struct Part_Of_Mix {
    const Audio* audio;
    long start;
    float gain;
};

// RMS of the output minus the expected mix over [from_s, to_s); the files must have the output's
// rate and channel count.
inline double residual_rms(const Audio& out, const std::vector<Part_Of_Mix>& mix, double from_s, double to_s) {
    double sum = 0.0;
    size_t n = 0;
    for (size_t f = out.frame_at(from_s); f < out.frame_at(to_s); f++) {
        for (int c = 0; c < out.channels; c++, n++) {
            double expected = 0.0;
            for (const Part_Of_Mix& p : mix) {
                long g = long(f) - p.start;
                if (g >= 0 && size_t(g) < p.audio->frames())
                    expected += double(p.gain) * p.audio->samples[size_t(g) * size_t(out.channels) + size_t(c)];
            }
            double d = double(out.samples[f * size_t(out.channels) + size_t(c)]) - expected;
            sum += d * d;
        }
    }
    return n ? std::sqrt(sum / double(n)) : 0.0;
}

// Finds the start of each part of a mix of overlapping files, all inside `when`: each start is searched
// in the output minus the other parts at their current starts, a few rounds, so the parts stop hiding
// each other.
inline void fit_starts(const Audio& out, std::vector<Part_Of_Mix>* mix, const Mark& when, double ref_from_s) {
    for (int round = 0; round < 3; round++) {
        for (size_t k = 0; k < mix->size(); k++) {
            Audio rest = out;
            for (size_t j = 0; j < mix->size(); j++) {
                const Part_Of_Mix& p = (*mix)[j];
                if (j == k || round == 0) continue;
                for (size_t g = 0; g < p.audio->frames(); g++) {
                    long f = p.start + long(g);
                    if (f < 0 || size_t(f) >= rest.frames()) continue;
                    for (int c = 0; c < rest.channels; c++)
                        rest.samples[size_t(f) * size_t(rest.channels) + size_t(c)] -=
                            p.gain * p.audio->samples[g * size_t(rest.channels) + size_t(c)];
                }
            }
            (*mix)[k].start = find_start(rest, *(*mix)[k].audio, when, ref_from_s);
        }
    }
}

// Points OpenAL Soft at its wave writer (44.1 kHz stereo float) once per process, before the first
// engine is created: the library reads its settings only once. Returns the output file's path.
inline const std::string& wave_output_path() {
    static std::string path = [] {
        char dir[] = "/tmp/morvu-audio-XXXXXX";
        if (!mkdtemp(dir)) abort();
        std::string out = std::string(dir) + "/out.wav";
        std::string conf = std::string(dir) + "/alsoft.conf";
        FILE* file = fopen(conf.c_str(), "w");
        if (!file) abort();
        fprintf(file, "[general]\ndrivers=wave\nfrequency=44100\nchannels=stereo\nsample-type=float32\n"
                      "[wave]\nfile=%s\n", out.c_str());
        fclose(file);
        setenv("ALSOFT_CONF", conf.c_str(), 1);
        setenv("ALSOFT_DRIVERS", "wave", 1);   // the test environment names the null driver
        return out;
    }();
    return path;
}

// The output's own clock: the length of the wave file. The writer's mixer thread mixes one period at a
// time and writes it out at once; when the thread was held up it mixes period after period to catch up
// with the wall clock, so on a busy machine the file runs behind or ahead of any wall-clock reading.
// A sound starts, pauses or stops in the first period mixed after the call; a volume change glides over
// that whole period. That period begins at or after the file's length before the call, and no later
// than one period past its length after the call (one may be mixing, not yet written); the limiter's
// 1 ms lookahead and stdio's unwritten tail add less than one more period.
struct Output_Clock {
    static constexpr int rate = 44100, frame_bytes = 2 * 4;   // as configured by wave_output_path
    double period = 0.0;   // seconds per mixer update, asked from the device

    // Seconds of output on disk: the samples after the header's data tag.
    double seconds() const {
        const std::string& path = wave_output_path();
        struct stat info;
        FILE* file = fopen(path.c_str(), "rb");
        if (!file) return 0.0;
        char head[256];
        size_t got = fread(head, 1, sizeof head, file);
        bool ok = fstat(fileno(file), &info) == 0;
        fclose(file);
        // RIFF chunks after the 12-byte file header: 4-byte tag, 4-byte little-endian size, body.
        for (size_t at = 12; ok && at + 8 <= got;) {
            unsigned char* size = (unsigned char*)head + at + 4;
            if (std::string(head + at, 4) == "data") {
                long samples = long(info.st_size) - long(at + 8);
                return samples > 0 ? double(samples / frame_bytes) / rate : 0.0;
            }
            at += 8 + (size[0] | size[1] << 8 | size[2] << 16 | size_t(size[3]) << 24);
        }
        return 0.0;
    }
    // Waits until the file holds `s` seconds of output (a minute of wall time at most).
    void wait_until(double s) const {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60) +
                        std::chrono::duration<double>(s);
        while (seconds() < s) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the wave writer stopped short of " << s << " s: " << seconds() << " s";
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // Calls fn and returns where in the output its effect lands (complete by the mark's end).
    template <typename Fn>
    Mark mark(Fn fn) const {
        double from = seconds();
        fn();
        return {from, seconds() + 3 * period};
    }
};

// The clock of the engine just created (its context is the current one).
inline Output_Clock output_clock() {
    Output_Clock clock;
    ALCint refresh = 0;
    ALCcontext* context = alcGetCurrentContext();
    if (context) alcGetIntegerv(alcGetContextsDevice(context), ALC_REFRESH, 1, &refresh);
    EXPECT_GT(refresh, 0) << "no mixer running";
    clock.period = refresh > 0 ? 1.0 / refresh : 0.1;
    return clock;
}

// A 440 Hz-family sine tone file for the layer's tests.
inline void write_tone(const std::string& path, double seconds, float amplitude, double hz, int channels,
                       int subformat) {
    SF_INFO info = {};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | subformat;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) abort();
    size_t frames = size_t(seconds * 44100);
    std::vector<float> samples(frames * size_t(channels));
    for (size_t f = 0; f < frames; f++)
        for (int c = 0; c < channels; c++)
            samples[f * size_t(channels) + size_t(c)] = amplitude * float(std::sin(2.0 * M_PI * hz * double(f) / 44100.0));
    sf_writef_float(file, samples.data(), sf_count_t(frames));
    sf_close(file);
}
