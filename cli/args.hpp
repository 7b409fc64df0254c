// Small helpers for the gvs-tool commands' argument parsing.
#pragma once
#include <cstdio>
#include <functional>
#include <string>

// Parses a whole finite number; false when `text` is not one.
bool parseNumber(const char* text, double& out);
bool parseWhole(const char* text, long& out);

// Headless start for the offline commands: data root, memory display, no audio device.
// Returns false (with a message) when the data root has no data folder.
bool startHeadless(const char* dataRootOverride, const char* command);

// What an option handler made of one argument.
enum class OptionResult { Unknown, Taken, Failed };

// Prints "gvs-tool COMMAND: MESSAGE ARG (see --help)" and returns 2, the exit
// code for bad arguments.
int argumentError(const char* command, const char* message, const char* arg = "");

// The options the commands that render the show (render, bench) share.
struct ShowRangeArgs {
  double from = 0, to = 0, fps = 0;
  bool haveFrom = false, haveTo = false, haveFps = false;
  const char* dataRoot = nullptr;
};

// Takes `arg` when it is --from T, --to T, --fps F or --data-root ROOT, with
// `value` the argument after it (null at the end), stepping i past the value.
// Failed after a message when the value is missing or bad.
OptionResult parseShowRangeOption(const char* command, const char* arg, const char* value, int& i,
                                  ShowRangeArgs& out);

// The arguments of the commands that read one 3DS file (dump, view).
struct SceneFileArgs {
  const char* file = nullptr;
  float frame = 0.0f;
  unsigned camera = 0;
  bool cameraGiven = false;
};

// A command's own options: given argv[i] and the argument after it (null at the
// end), it takes the option (stepping i past any value it uses), fails it after
// a message, or leaves it Unknown.
using OwnOptionParser = std::function<OptionResult(const char* arg, const char* value, int& i)>;

// Parses FILE [--frame F] [--camera N] [--help | -h] and the command's own
// options. Returns -1 when the command should go on, else its exit code: 0
// after --help (usage on standard output), 2 on bad arguments.
int parseSceneFileArgs(const char* command, int argc, char** argv, void (*usage)(FILE*),
                       const OwnOptionParser& own, SceneFileArgs& out);
