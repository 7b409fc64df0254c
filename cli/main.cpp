// gvs-tool: headless tools around the show (no window, no audio device).
#include <cstdio>
#include <cstring>

#include "cli/commands.hpp"

namespace {
void usage(FILE* out) {
  std::fprintf(out, "Usage: gvs-tool COMMAND [ARGS...]\n\nCommands:\n");
  for (int i = 0; i < toolCommandCount(); ++i)
    std::fprintf(out, "  %-13s %s\n", toolCommandAt(i).name, toolCommandAt(i).summary);
  std::fprintf(out, "\nRun 'gvs-tool COMMAND --help' for a command's options.\n");
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    usage(stderr);
    return 2;
  }
  if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
    usage(stdout);
    return 0;
  }
  const ToolCommandEntry* cmd = findToolCommand(argv[1]);
  if (!cmd) {
    std::fprintf(stderr, "gvs-tool: unknown command '%s'\n\n", argv[1]);
    usage(stderr);
    return 2;
  }
  return cmd->run(argc - 1, argv + 1);
}
