// Our audio layer: the operations the music clock relies on, playing one MP3 stream
// decoded as it plays. The position grows by 88200 per second of music. Where the
// music goes is one of three outputs (audio/output.hpp), chosen when the layer is
// initialised: the SDL2 audio device at 44100 Hz (the position counts what it
// consumed), a silent one whose position follows the millisecond clock, and a
// stepped one whose position moves by a fixed amount on every read (offline runs
// and tests).
#pragma once
#include <cstdint>

constexpr uint32_t kAudioVersion = 0x00070000;
constexpr uint32_t kPositionPerSecond = 88200;

enum class AudioBackend { Device, Silent, Stepped };
// The output audioInit opens; positionStep is the stepped output's step.
void selectAudioBackend(AudioBackend backend, uint32_t positionStep = 0);

uint32_t audioGetVersion();
// Nonzero when the output is ready.
uint32_t audioInit(int32_t device, uint32_t frequency, uint32_t flags, void* window);
// A stream handle for the MP3 file at a show path, 0 when it cannot be opened or decoded.
uint32_t audioStreamCreateFile(uint32_t fromMemory, const char* path, uint32_t offset, uint32_t length,
                               uint32_t flags);
uint32_t audioStart();
// Playback goes on from the stream's position: its first frame unless a seek moved
// it; a nonzero flush starts it from the first frame again.
uint32_t audioStreamPlay(uint32_t handle, uint32_t flush, uint32_t flags);
// The position: 2 units per stereo frame played, from 0 (or where a seek put it);
// it stands still until playback starts and while stopped.
uint32_t audioChannelGetPosition(uint32_t handle);
// Moves the stream to `position`, rounded up to a whole stereo frame, playing or not:
// what is heard next is the music from there, and the position grows from it. Past
// the end of the music, silence.
uint32_t audioChannelSetPosition(uint32_t handle, uint32_t position);
uint32_t audioStop();
uint32_t audioFree();
int32_t audioErrorGetCode();

// Error codes of the layer.
enum : int32_t {
  kAudioOk = 0,
  kAudioFileOpen = 2,
  kAudioNotInitialized = 8,
  kAudioBadHandle = 5,
  kAudioNoDevice = 23,
  kAudioFileForm = 41,
};
