// Fade levels of the sections that fade four levels per unit of time.
#pragma once

// Fade levels are bytes: the last moments of the four-per-unit fades would round
// to 256 (or 255 - 256) and wrap to the opposite extreme, so they are held at the ends.
inline int fadeLevel(int level) { return level < 0 ? 0 : level > 255 ? 255 : level; }
