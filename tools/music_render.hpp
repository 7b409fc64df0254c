// Renders the composed song to a mastered stereo mix: every part on its own bus, the
// kick ducking the tonal parts, echo and room sends, the outro fade, loudness to
// -14 LUFS and a true-peak ceiling below -1 dBTP.
#pragma once
#include "tools/synth_dsp.hpp"

constexpr double kTargetLufs = -14.0;
// Ceiling of the limiter before encoding; the encoder's overshoot stays under -1 dBTP.
constexpr double kCeilingDbtp = -2.0;

// Renders with two threads; the result does not depend on the thread timing.
void renderSong(StereoBuffer& mix);
