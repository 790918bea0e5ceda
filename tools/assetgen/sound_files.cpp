// Sound files: MP3 through libmp3lame (with the tag that lets decoders trim the encoder's delay and
// padding, so the decoded length is the rendered length) and 16-bit WAV through libsndfile.
#include "sound_files.h"

#include <cstdio>
#include <vector>

#include <lame/lame.h>
#include <sndfile.h>

bool write_mp3(const std::string& path, const Sound& sound, int kbps) {
  lame_global_flags* lame = lame_init();
  if (!lame) return false;
  lame_set_in_samplerate(lame, sample_rate);
  lame_set_out_samplerate(lame, sample_rate);
  lame_set_num_channels(lame, 2);
  lame_set_mode(lame, JOINT_STEREO);
  lame_set_brate(lame, kbps);
  lame_set_quality(lame, 2);
  lame_set_bWriteVbrTag(lame, 1);
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    return false;
  }
  int frames = frame_count(sound);
  std::vector<unsigned char> mp3(size_t(1.25 * frames + 7200) + 16384);
  int size = lame_encode_buffer_ieee_float(lame, sound.left.data(), sound.right.data(), frames, mp3.data(), int(mp3.size()));
  int tail = size < 0 ? -1 : lame_encode_flush(lame, mp3.data() + size, int(mp3.size()) - size);
  bool ok = size >= 0 && tail >= 0;
  if (ok) {
    mp3.resize(size_t(size + tail));
    // The first frame was left blank for the tag, which records delay, padding and length.
    std::vector<unsigned char> tag(2880);
    size_t tag_size = lame_get_lametag_frame(lame, tag.data(), tag.size());
    ok = tag_size > 0 && tag_size <= tag.size() && tag_size <= mp3.size();
    if (ok) std::copy(tag.begin(), tag.begin() + long(tag_size), mp3.begin());
  }
  lame_close(lame);
  if (!ok) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  ok = std::fwrite(mp3.data(), 1, mp3.size(), file) == mp3.size();
  return std::fclose(file) == 0 && ok;
}

bool write_wav(const std::string& path, const Sound& sound) {
  SF_INFO info{};
  info.samplerate = sample_rate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  std::vector<float> interleaved(sound.left.size() * 2);
  for (size_t i = 0; i < sound.left.size(); ++i) {
    interleaved[i * 2] = sound.left[i];
    interleaved[i * 2 + 1] = sound.right[i];
  }
  sf_count_t written = sf_writef_float(file, interleaved.data(), sf_count_t(sound.left.size()));
  return sf_close(file) == 0 && written == sf_count_t(sound.left.size());
}
