// Text fitting for the forge's picture makers.
#include "forge/paint.hpp"

int fitTextSize(Font font, int maxSize, int minSize, int width, const std::string& text) {
  int size = maxSize;
  while (size > minSize && textWidth(font, size, text) > width) --size;
  return size;
}
