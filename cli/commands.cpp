// The table of gvs-tool commands.
#include "cli/commands.hpp"

#include <cstring>
#include <iterator>

namespace {
const ToolCommandEntry kCommands[] = {
    {"bench", "measure how fast each section renders", benchCommand},
    {"contact-sheet", "one picture with a thumbnail of every section", contactSheetCommand},
    {"dump", "print the engine's debug dump of a 3DS file after one frame", dumpCommand},
    {"forge", "write the default data set", forgeCommand},
    {"info", "show what the 3DS reader finds in a file", infoCommand},
    {"render", "render the show offline into PNG frames or a video with its music", renderCommand},
    {"view", "render one frame of a 3DS file to PNG, through one of its cameras or a generated one", viewCommand},
};
}  // namespace

const ToolCommandEntry* findToolCommand(const char* name) {
  for (const ToolCommandEntry& e : kCommands)
    if (std::strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

int toolCommandCount() { return int(std::size(kCommands)); }
const ToolCommandEntry& toolCommandAt(int i) { return kCommands[i]; }
