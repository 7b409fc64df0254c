// Renders the composed song to a mastered stereo mix: every part on its own bus, the
// kick ducking the tonal parts, echo and room sends, the outro fade, loudness to
// -14 LUFS and a true-peak ceiling below -1 dBTP. The buses are mixed a block at a
// time, so only the notes still sounding are held besides the mix itself.
#pragma once
#include "synth/score.hpp"
#include "synth/dsp.hpp"
#include "synth/voices.hpp"

constexpr double kTargetLufs = -14.0;
// The encoder's low-pass and quantisation take about a quarter LU off; the mix is
// mastered that much hotter so the decoded file reads the target.
constexpr double kEncoderLossLu = 0.25;
// Ceiling of the limiter before encoding; the encoder's overshoot stays under -1 dBTP.
constexpr double kCeilingDbtp = -2.0;

// The settings of each tonal instrument.
ToneVoice soundVoice(Sound s);

// Renders with two threads; the result does not depend on the thread timing.
void renderSong(StereoBuffer& mix);
