// Clipping of a w x h sprite placed at (x, y) on the 320 x 200 frame.
#pragma once

struct SpriteClip {
  int top, bottom, left, right;  // first and last sprite row and column drawn
};

// False when nothing of the sprite is on the frame.
inline bool clipSprite(int x, int y, int w, int h, SpriteClip& c) {
  if (w < 1 || h < 1) return false;
  if (y < -(h - 1) || y > 199) return false;
  if (x < -(w - 1) || x > 319) return false;
  c.top = y < 0 ? -y : 0;
  c.bottom = (y + h - 1 > 199) ? 199 - y : h - 1;
  c.left = x < 0 ? -x : 0;
  c.right = (x + w - 1 > 319) ? 319 - x : w - 1;
  return true;
}
