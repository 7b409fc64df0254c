// The display's error box: an SDL message box with one button. The display installs
// it as the program's error box (base/ending.hpp) while a window run is open.
#pragma once

// False when SDL could not show the box.
bool showSdlErrorBox(const char* caption, const char* text);
