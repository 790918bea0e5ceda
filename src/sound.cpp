// Sound layer over OpenAL Soft (mixing and output) and libsndfile (decoding). Each file is decoded
// whole into one 16-bit buffer the first time it is played; effects repeat, so buffers are kept until
// the engine goes. Fire-and-forget sources are deleted once they have finished, checked on every play.
#include "sound.h"

#include <limits.h>
#include <math.h>
#include <string.h>

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <sndfile.h>

#include "vek/print.h"

// A decoded file; buffer 0 marks a file that could not be played (it is not tried again).
struct Sound_Buffer {
    char* path;
    ALuint buffer;
};

struct Sound_Engine {
    ALCdevice* device;        // null: silent engine
    ALCcontext* context;
    bool direct_channels;     // stereo files reach the speakers as they are
    Array_List<Sound_Buffer> buffers;
    Array_List<ALuint> untracked;   // sources playing without a handle
    Array_List<Sound*> tracked;
};

struct Sound {
    Sound_Engine* engine;     // null once the engine is gone
    ALuint source;            // 0: silent handle
    bool stopped;
};

// Decoded audio larger than this is refused: OpenAL takes buffer sizes as int.
static constexpr u64 max_decoded_bytes = INT_MAX;

Sound_Engine* create_sound_engine() {
    Sound_Engine* engine = (Sound_Engine*)vek_calloc(1, sizeof(Sound_Engine));
    array_list_init(&engine->buffers, 16);
    array_list_init(&engine->untracked, 16);
    array_list_init(&engine->tracked, 16);

    engine->device = alcOpenDevice(nullptr);
    if (engine->device) {
        engine->context = alcCreateContext(engine->device, nullptr);
        if (!engine->context || !alcMakeContextCurrent(engine->context)) {
            if (engine->context) alcDestroyContext(engine->context);
            alcCloseDevice(engine->device);
            engine->context = nullptr;
            engine->device = nullptr;
        }
    }
    if (!engine->device) {
        println("No sound device could be opened: the game runs without sound");
        return engine;
    }
    engine->direct_channels = alIsExtensionPresent("AL_SOFT_direct_channels");
    return engine;
}

static void delete_source(ALuint source) {
    alSourceStop(source);
    alDeleteSources(1, &source);
}

void destroy_sound_engine(Sound_Engine* engine) {
    for (u32 i = 0; i < engine->tracked.count; i++) {
        Sound* sound = engine->tracked.data[i];
        if (sound->source) delete_source(sound->source);
        sound->source = 0;
        sound->engine = nullptr;
    }
    for (u32 i = 0; i < engine->untracked.count; i++) delete_source(engine->untracked.data[i]);
    for (u32 i = 0; i < engine->buffers.count; i++) {
        if (engine->buffers.data[i].buffer) alDeleteBuffers(1, &engine->buffers.data[i].buffer);
        vek_free(engine->buffers.data[i].path);
    }
    if (engine->context) {
        if (alcGetCurrentContext() == engine->context) alcMakeContextCurrent(nullptr);
        alcDestroyContext(engine->context);
        alcCloseDevice(engine->device);
    }
    array_list_free(&engine->buffers);
    array_list_free(&engine->untracked);
    array_list_free(&engine->tracked);
    vek_free(engine);
}

void set_master_volume(Sound_Engine* engine, f32 volume) {
    if (!(volume >= 0.0f)) volume = 0.0f;
    if (engine->device) alListenerf(AL_GAIN, volume);
}

// 16-bit files come back exactly; louder than full scale is clipped.
static s16 to_s16(f32 sample) {
    f32 scaled = sample * 32768.0f;
    if (!(scaled > -32768.0f)) return -32768;   // also NaN
    if (scaled > 32767.0f) return 32767;
    return (s16)lrintf(scaled);
}

// Reads the whole file as interleaved 16-bit samples into a new OpenAL buffer; 0 when it cannot.
static ALuint decode_file(const char* path) {
    SF_INFO info = {};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (!file) {
        println("Sound file \"%s\" could not be opened: %s", path, sf_strerror(nullptr));
        return 0;
    }
    if (info.channels < 1 || info.channels > 2 || info.samplerate <= 0) {
        println("Sound file \"%s\" has %d channels at %d Hz: only mono and stereo are played", path,
                info.channels, info.samplerate);
        sf_close(file);
        return 0;
    }
    // Read as float (every format arrives in -1..1) and convert here: reading floating-point files
    // as integers either gives zeros or, with libsndfile's scaling, raises them to full scale.
    u64 frame_bytes = (u64)info.channels * sizeof(s16);
    u64 capacity = 1 << 16;   // frames; grows by doubling, the header's length is not trusted
    u64 count = 0;
    s16* samples = (s16*)vek_malloc(capacity * frame_bytes);
    bool too_long = false;
    f32 chunk[4096 * 2];
    sf_count_t got;
    while ((got = sf_readf_float(file, chunk, 4096)) > 0) {
        if ((count + (u64)got) * frame_bytes > max_decoded_bytes) {
            too_long = true;
            break;
        }
        if (count + (u64)got > capacity) {
            capacity *= 2;
            samples = (s16*)vek_realloc(samples, capacity * frame_bytes);
        }
        s16* to = samples + count * info.channels;
        for (u64 i = 0; i < (u64)got * info.channels; i++) to[i] = to_s16(chunk[i]);
        count += (u64)got;
    }
    sf_close(file);

    ALuint buffer = 0;
    if (too_long) {
        println("Sound file \"%s\" is too long to play", path);
    } else if (count == 0) {
        println("Sound file \"%s\" holds no sound", path);
    } else {
        alGetError();
        alGenBuffers(1, &buffer);
        if (alGetError() == AL_NO_ERROR) {
            ALenum format = info.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
            alBufferData(buffer, format, samples, (ALsizei)(count * frame_bytes), info.samplerate);
            if (alGetError() != AL_NO_ERROR) {
                alDeleteBuffers(1, &buffer);
                buffer = 0;
                println("Sound file \"%s\" could not be loaded into the mixer", path);
            }
        } else {
            buffer = 0;
        }
    }
    vek_free(samples);
    return buffer;
}

static ALuint buffer_for_path(Sound_Engine* engine, const char* path) {
    for (u32 i = 0; i < engine->buffers.count; i++)
        if (strcmp(engine->buffers.data[i].path, path) == 0) return engine->buffers.data[i].buffer;
    u64 length = strlen(path);
    char* copy = (char*)vek_malloc(length + 1);
    memcpy(copy, path, length + 1);
    ALuint buffer = decode_file(path);
    array_list_push(&engine->buffers, Sound_Buffer{copy, buffer});
    return buffer;
}

// Deletes the fire-and-forget sources that have played to their end.
static void reclaim_finished_sources(Sound_Engine* engine) {
    for (u32 i = engine->untracked.count; i-- > 0;) {
        ALint state = AL_STOPPED;
        alGetSourcei(engine->untracked.data[i], AL_SOURCE_STATE, &state);
        if (state != AL_STOPPED) continue;
        alDeleteSources(1, &engine->untracked.data[i]);
        engine->untracked.data[i] = engine->untracked.data[--engine->untracked.count];
    }
}

// A source set up to play `buffer` without position; 0 when none is left.
static ALuint make_source(Sound_Engine* engine, ALuint buffer, bool looped) {
    ALuint source = 0;
    alGetError();
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) return 0;
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    if (engine->direct_channels) alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    alSourcei(source, AL_LOOPING, looped ? AL_TRUE : AL_FALSE);
    alSourcei(source, AL_BUFFER, (ALint)buffer);
    return source;
}

Sound* play_sound_2d(Sound_Engine* engine, const char* path, bool looped, bool start_paused, bool track) {
    if (!track && start_paused) return nullptr;   // nothing could ever start it

    ALuint source = 0;
    if (engine->device) {
        reclaim_finished_sources(engine);
        ALuint buffer = buffer_for_path(engine, path);
        if (buffer) source = make_source(engine, buffer, looped);
        if (source && !start_paused) alSourcePlay(source);
    }
    if (!track) {
        if (source) array_list_push(&engine->untracked, source);
        return nullptr;
    }
    Sound* sound = (Sound*)vek_calloc(1, sizeof(Sound));
    sound->engine = engine;
    sound->source = source;
    array_list_push(&engine->tracked, sound);
    return sound;
}

void set_sound_paused(Sound* sound, bool paused) {
    if (!sound->source || sound->stopped) return;
    ALint state = AL_STOPPED;
    alGetSourcei(sound->source, AL_SOURCE_STATE, &state);
    if (paused && state == AL_PLAYING) alSourcePause(sound->source);
    // A sound that has played to its end is not started again.
    if (!paused && (state == AL_PAUSED || state == AL_INITIAL)) alSourcePlay(sound->source);
}

void stop_sound(Sound* sound) {
    sound->stopped = true;
    if (sound->source) alSourceStop(sound->source);
}

void set_sound_volume(Sound* sound, f32 volume) {
    if (!(volume >= 0.0f)) volume = 0.0f;
    if (sound->source) alSourcef(sound->source, AL_GAIN, volume);
}

void release_sound(Sound* sound) {
    Sound_Engine* engine = sound->engine;
    if (engine) {
        if (sound->source) delete_source(sound->source);
        for (u32 i = 0; i < engine->tracked.count; i++) {
            if (engine->tracked.data[i] != sound) continue;
            engine->tracked.data[i] = engine->tracked.data[--engine->tracked.count];
            break;
        }
    }
    vek_free(sound);
}
