// Whole-file MP3 decoding through libmpg123.
#include "audio/mp3decode.hpp"

#include <mpg123.h>

#include <cstdio>

namespace {
struct Mpg123Library {
  bool ok;
  Mpg123Library() { ok = mpg123_init() == MPG123_OK; }
};
}  // namespace

Mp3Status decodeMp3File(const char* path, DecodedAudio& out) {
  static Mpg123Library library;
  out.samples.clear();
  FILE* probe = std::fopen(path, "rb");
  if (!probe) return kMp3CannotOpen;
  std::fclose(probe);
  if (!library.ok) return kMp3NotDecodable;

  int err = 0;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (!mh) return kMp3NotDecodable;
  // Only real MPEG audio: no resync across garbage, gapless decoding removes the
  // encoder's padding.
  mpg123_param(mh, MPG123_RESYNC_LIMIT, 2048, 0);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
  mpg123_format_none(mh);
  mpg123_format(mh, kMusicRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  Mp3Status status = kMp3NotDecodable;
  if (mpg123_open(mh, path) == MPG123_OK) {
    // A file with an encoder's Info tag says how long it is; one that ends before
    // that was cut short, and playing it would leave the rest of the show silent.
    // (Asking for the length reads the first frame, where the tag is.)
    const off_t length = mpg123_length(mh);
    long delay = -1;
    double unused = 0;
    const bool tagged = mpg123_getstate(mh, MPG123_ENC_DELAY, &delay, &unused) == MPG123_OK && delay >= 0;
    const off_t declared = tagged ? length : -1;
    unsigned char buf[16384];
    for (;;) {
      size_t done = 0;
      int r = mpg123_read(mh, buf, sizeof buf, &done);
      const int16_t* s = reinterpret_cast<const int16_t*>(buf);
      out.samples.insert(out.samples.end(), s, s + done / 2);
      if (r == MPG123_NEW_FORMAT || r == MPG123_OK) continue;
      break;  // MPG123_DONE or an error
    }
    long rate = 0;
    int channels = 0, enc = 0;
    const bool whole = declared <= 0 || off_t(out.samples.size() / 2) >= declared;
    if (mpg123_getformat(mh, &rate, &channels, &enc) == MPG123_OK && rate == kMusicRate && !out.samples.empty() &&
        whole)
      status = kMp3Ok;
    mpg123_close(mh);
  }
  mpg123_delete(mh);
  if (status != kMp3Ok) out.samples.clear();
  return status;
}
