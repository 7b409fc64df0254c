// MP3 encoding of the mix with libmp3lame.
#include "synth/mp3_encoder.hpp"

#include <lame/lame.h>

#include <algorithm>
#include <cstdio>

bool encodeMp3(const StereoBuffer& pcm, int kbps, std::vector<uint8_t>& out) {
  out.clear();
  lame_t gf = lame_init();
  if (!gf) return false;
  lame_set_in_samplerate(gf, 44100);
  lame_set_out_samplerate(gf, 44100);
  lame_set_num_channels(gf, 2);
  lame_set_mode(gf, JOINT_STEREO);
  lame_set_VBR(gf, vbr_off);
  lame_set_brate(gf, kbps);
  lame_set_quality(gf, 3);
  lame_set_bWriteVbrTag(gf, 1);
  lame_set_write_id3tag_automatic(gf, 0);
  if (lame_init_params(gf) < 0) {
    lame_close(gf);
    return false;
  }
  const int chunk = 8192;
  std::vector<unsigned char> buf(size_t(chunk) * 5 / 4 + 7200);
  bool ok = true;
  for (size_t pos = 0; pos < pcm.frames() && ok; pos += chunk) {
    int n = int(std::min<size_t>(chunk, pcm.frames() - pos));
    int got = lame_encode_buffer_ieee_float(gf, pcm.l.data() + pos, pcm.r.data() + pos, n, buf.data(), int(buf.size()));
    if (got < 0) ok = false;
    else out.insert(out.end(), buf.begin(), buf.begin() + got);
  }
  if (ok) {
    int got = lame_encode_flush(gf, buf.data(), int(buf.size()));
    if (got < 0) ok = false;
    else out.insert(out.end(), buf.begin(), buf.begin() + got);
  }
  if (ok) {
    // The encoder reserved the first frame for the tag; fill it in now that the
    // totals are known.
    std::vector<unsigned char> tag(4096);
    size_t tagSize = lame_get_lametag_frame(gf, tag.data(), tag.size());
    if (tagSize == 0 || tagSize > tag.size() || tagSize > out.size()) ok = false;
    else std::copy(tag.begin(), tag.begin() + long(tagSize), out.begin());
  }
  lame_close(gf);
  if (!ok) out.clear();
  return ok;
}
