// Sound files: MP3 through libmp3lame (with the tag that lets decoders trim the encoder's delay and
// padding, so the decoded length is the rendered length) and 16-bit WAV through libsndfile.
#pragma once

#include <string>

#include "synth.h"

bool write_mp3(const std::string& path, const Sound& sound, int kbps);
bool write_wav(const std::string& path, const Sound& sound);
