// Where the audio layer's music goes: a table of functions, one file per output,
// chosen once when the layer is initialised.
#pragma once
#include <cstdint>

#include "audio/mp3decode.hpp"

struct AudioOutput {
  // False when there is nothing to play on.
  bool (*open)(uint32_t frequency);
  // Takes the decoded music (it may be moved from) and goes back to its first frame.
  void (*load)(DecodedAudio& music);
  // Playback starts from the first frame.
  void (*play)();
  // The play position: 2 units per stereo frame.
  uint32_t (*position)();
  void (*stop)();
  // Lets go of the device and the music.
  void (*close)();
};

extern const AudioOutput kDeviceOutput;   // output_sdl.cpp: the SDL2 audio device
extern const AudioOutput kClockOutput;    // output_clock.cpp: silent, the position follows the clock
extern const AudioOutput kSteppedOutput;  // output_stepped.cpp: silent, a fixed step per read

// How far the stepped output's position moves on each read.
void setSteppedOutputStep(uint32_t step);
