#include "tools/command.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
std::vector<ToolCommandEntry>& registry() {
  static std::vector<ToolCommandEntry> r;
  return r;
}
void sortRegistry() {
  std::sort(registry().begin(), registry().end(),
            [](const ToolCommandEntry& a, const ToolCommandEntry& b) { return std::strcmp(a.name, b.name) < 0; });
}
}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* summary, ToolCommand run) {
  registry().push_back({name, summary, run});
  sortRegistry();
}

const ToolCommandEntry* findToolCommand(const char* name) {
  for (const ToolCommandEntry& e : registry())
    if (std::strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

int toolCommandCount() { return int(registry().size()); }
const ToolCommandEntry& toolCommandAt(int i) { return registry()[size_t(i)]; }
