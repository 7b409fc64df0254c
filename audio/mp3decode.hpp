// MP3 decoding with libmpg123, always to 44.1 kHz interleaved stereo 16-bit samples:
// a whole file at once, or a stream decoded a piece at a time as it plays.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kMusicRate = 44100;

struct DecodedAudio {
  std::vector<int16_t> samples;  // interleaved left, right
  size_t frames() const { return samples.size() / 2; }
};

enum Mp3Status { kMp3Ok = 0, kMp3CannotOpen = 2, kMp3NotDecodable = 41 };

// Decodes an on-disk file. The samples are empty unless the result is kMp3Ok. A
// file whose encoder tag declares more audio than it holds was cut short and is
// refused as not decodable.
Mp3Status decodeMp3File(const char* path, DecodedAudio& out);

struct mpg123_handle_struct;

// A file decoded as it plays: the decoder reads the file a frame at a time (the
// system's file cache holds it, not the process), so only one MPEG frame of decoded
// music is held at any time. Reading does not allocate: the audio thread can call it.
struct Mp3Stream {
  mpg123_handle_struct* decoder = nullptr;  // null when nothing is open
  bool ended = false;                       // no more samples: the end, or the data broke off

  Mp3Stream() = default;
  Mp3Stream(const Mp3Stream&) = delete;
  Mp3Stream& operator=(const Mp3Stream&) = delete;
  ~Mp3Stream();
};

// Opens a file and checks that it decodes: a file cut short of its tag's length is
// refused, the first samples are decoded, then the stream goes back to its first sample. `stream` is closed first; on failure it
// stays closed.
Mp3Status openMp3Stream(const char* path, Mp3Stream& stream);
// Decodes up to `frames` stereo frames into `out`; fewer only once the music has
// ended (also when the file breaks off early: decoding stops there, cleanly).
size_t readMp3Stream(Mp3Stream& stream, int16_t* out, size_t frames);
// The next read starts at sample frame `frame`; past the end, the stream has ended.
void seekMp3Stream(Mp3Stream& stream, uint64_t frame);
void closeMp3Stream(Mp3Stream& stream);
