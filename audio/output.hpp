// Where the audio layer's music goes: a table of functions, one file per output,
// chosen once when the layer is initialised.
#pragma once
#include <cstdint>

#include "audio/mp3decode.hpp"

struct AudioOutput {
  // False when there is nothing to play on.
  bool (*open)(uint32_t frequency);
  // The stream to play from now on (null: none), read until the next load or the
  // close; the position goes back to the first frame, not playing.
  void (*load)(Mp3Stream* music);
  // Playback goes on from the current position.
  void (*play)();
  // The position moves to stereo frame `frame`; what is heard next is that frame.
  void (*seek)(uint64_t frame);
  // The play position: 2 units per stereo frame; it does not move while not playing.
  uint32_t (*position)();
  void (*stop)();
  // Lets go of the device and the music.
  void (*close)();
};

extern const AudioOutput kDeviceOutput;   // output_sdl.cpp: the SDL2 audio device
extern const AudioOutput kClockOutput;    // output_clock.cpp: silent, the position follows the clock
extern const AudioOutput kSteppedOutput;  // output_stepped.cpp: silent, a fixed step per read

// Stereo frames the SDL2 device asks for at a time (23 ms at 44.1 kHz).
constexpr uint16_t kDeviceBufferFrames = 1024;

// How far the stepped output's position moves on each read.
void setSteppedOutputStep(uint32_t step);
