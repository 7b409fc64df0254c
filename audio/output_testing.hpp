// Test support for the audio device: what the device is fed can be watched.
#pragma once
#include <cstddef>
#include <cstdint>

// Called on SDL's audio thread with every buffer the device is fed: the stereo frame
// it starts at (the position / 2) and its samples. Null stops the calls.
using DeviceFeedObserver = void (*)(uint64_t firstFrame, const int16_t* samples, size_t frames);
void setDeviceFeedObserver(DeviceFeedObserver observer);
