// MP3 decoding through libmpg123: whole files, and streams decoded as they play.
#include "audio/mp3decode.hpp"

#include <mpg123.h>

#include <cstdio>

namespace {
struct Mpg123Library {
  bool ok;
  Mpg123Library() { ok = mpg123_init() == MPG123_OK; }
};

bool libraryReady() {
  static Mpg123Library library;
  return library.ok;
}

// Only real MPEG audio: no resync across garbage; gapless decoding removes the
// encoder's delay and padding; the output is always 44.1 kHz stereo 16-bit.
mpg123_handle* newDecoder() {
  int err = 0;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (!mh) return nullptr;
  mpg123_param(mh, MPG123_RESYNC_LIMIT, 2048, 0);
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
  mpg123_format_none(mh);
  mpg123_format(mh, kMusicRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  return mh;
}

bool decodesAtMusicRate(mpg123_handle* mh) {
  long rate = 0;
  int channels = 0, enc = 0;
  return mpg123_getformat(mh, &rate, &channels, &enc) == MPG123_OK && rate == kMusicRate;
}

// The length an encoder's Info tag declares, or -1 for an untagged file. (Asking
// for the length reads the first frame, where the tag is.)
off_t declaredLength(mpg123_handle* mh) {
  const off_t length = mpg123_length(mh);
  long delay = -1;
  double unused = 0;
  const bool tagged = mpg123_getstate(mh, MPG123_ENC_DELAY, &delay, &unused) == MPG123_OK && delay >= 0;
  return tagged ? length : -1;
}

}  // namespace

Mp3Status decodeMp3File(const char* path, DecodedAudio& out) {
  out.samples.clear();
  FILE* probe = std::fopen(path, "rb");
  if (!probe) return kMp3CannotOpen;
  std::fclose(probe);
  if (!libraryReady()) return kMp3NotDecodable;

  mpg123_handle* mh = newDecoder();
  if (!mh) return kMp3NotDecodable;
  Mp3Status status = kMp3NotDecodable;
  if (mpg123_open(mh, path) == MPG123_OK) {
    // A file that ends before its tag's length was cut short, and playing it would
    // leave the rest of the show silent.
    const off_t declared = declaredLength(mh);
    unsigned char buf[16384];
    for (;;) {
      size_t done = 0;
      int r = mpg123_read(mh, buf, sizeof buf, &done);
      const int16_t* s = reinterpret_cast<const int16_t*>(buf);
      out.samples.insert(out.samples.end(), s, s + done / 2);
      if (r == MPG123_NEW_FORMAT || r == MPG123_OK) continue;
      break;  // MPG123_DONE or an error
    }
    const bool whole = declared <= 0 || off_t(out.samples.size() / 2) >= declared;
    if (decodesAtMusicRate(mh) && !out.samples.empty() && whole) status = kMp3Ok;
    mpg123_close(mh);
  }
  mpg123_delete(mh);
  if (status != kMp3Ok) out.samples.clear();
  return status;
}

Mp3Stream::~Mp3Stream() { closeMp3Stream(*this); }

Mp3Status openMp3Stream(const char* path, Mp3Stream& stream) {
  closeMp3Stream(stream);
  FILE* probe = std::fopen(path, "rb");
  if (!probe) return kMp3CannotOpen;
  std::fclose(probe);
  if (!libraryReady()) return kMp3NotDecodable;
  stream.decoder = newDecoder();
  bool ok = stream.decoder && mpg123_open(stream.decoder, path) == MPG123_OK && decodesAtMusicRate(stream.decoder);
  if (ok) {
    // A tagged file holding fewer frames than its tag declares was cut short: the
    // header scan (no decoding) counts what is really there.
    const off_t declared = declaredLength(stream.decoder);
    ok = mpg123_scan(stream.decoder) == MPG123_OK && (declared <= 0 || mpg123_length(stream.decoder) >= declared);
  }
  if (ok) {
    // It is music only if samples come out of it.
    int16_t first[2 * 1152];
    ok = readMp3Stream(stream, first, 1152) > 0;
    seekMp3Stream(stream, 0);
  }
  if (!ok) {
    closeMp3Stream(stream);
    return kMp3NotDecodable;
  }
  return kMp3Ok;
}

size_t readMp3Stream(Mp3Stream& stream, int16_t* out, size_t frames) {
  const size_t wanted = frames * 4;
  size_t got = 0;
  int idle = 0;  // reads that gave nothing without saying why
  while (got < wanted && !stream.ended && stream.decoder) {
    size_t done = 0;
    int r = mpg123_read(stream.decoder, reinterpret_cast<unsigned char*>(out) + got, wanted - got, &done);
    got += done;
    if ((r == MPG123_OK || r == MPG123_NEW_FORMAT) && (done > 0 || ++idle < 4)) continue;
    stream.ended = got < wanted;  // the end, or the data broke off: nothing more comes
  }
  return got / 4;
}

void seekMp3Stream(Mp3Stream& stream, uint64_t frame) {
  if (!stream.decoder) return;
  off_t at = mpg123_seek(stream.decoder, off_t(frame), SEEK_SET);
  stream.ended = at < 0 || uint64_t(at) != frame;
}

void closeMp3Stream(Mp3Stream& stream) {
  if (stream.decoder) {
    mpg123_close(stream.decoder);
    mpg123_delete(stream.decoder);
  }
  stream.decoder = nullptr;
  stream.ended = false;
}
