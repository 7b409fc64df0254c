// How the program tells the user about an error, and the one way it ends early.
// Error messages appear in a box once the display has installed one (a window
// run); headless runs and tools get them on standard error as "caption: text".
#pragma once
#include <string>

constexpr const char* kShowCaption = "Greyline Video System";

// A function that shows an error box; false when it could not.
using ErrorBoxFunction = bool (*)(const char* caption, const char* text);
// The display installs its box while it is open; null goes back to standard error.
void installErrorBox(ErrorBoxFunction box);
void showErrorMessage(const char* caption, const char* text);

// Where the last words go: a line on standard output (the audio layer's and the
// engine's), or the error message above (a picture that cannot be loaded).
enum class LastWords { StandardOutput, ErrorMessage };
// Whether exit handlers run. The audio layer leaves at once, handlers skipped.
enum class ExitHandlers { Run, Skip };

// Says `message` where `where` names, flushes the output and ends the process with `status`.
[[noreturn]] void endProgram(const std::string& message, LastWords where, int status,
                             ExitHandlers handlers = ExitHandlers::Run);
