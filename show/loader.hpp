// The loader screen: one picture faded in on the frame clock (128 units per
// second) while the show prepares, and faded out before the music starts.
#pragma once
#include <cstdint>

void loadLoaderPicture();
// One second of black, two of fade-in, then the exact picture held until four seconds.
void fadeInLoader(uint32_t* frame);
// Two seconds of fade-out, then black until three seconds.
void fadeOutLoader(uint32_t* frame);
// Without the fades, for a show that starts part way: the picture at once, and
// black again once the show is ready.
void showLoaderAtOnce(uint32_t* frame);
void hideLoaderAtOnce(uint32_t* frame);
void releaseLoaderPicture();
