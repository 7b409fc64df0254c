// gvs-tool subcommands register themselves here: a file in tools/ adds one with
//   static const CommandRegistrar reg("name", "one-line summary", runFunction);
#pragma once

using ToolCommand = int (*)(int argc, char** argv);  // argv[0] is the command name

struct CommandRegistrar {
  CommandRegistrar(const char* name, const char* summary, ToolCommand run);
};

struct ToolCommandEntry {
  const char* name;
  const char* summary;
  ToolCommand run;
};
// All registered commands, sorted by name.
const ToolCommandEntry* findToolCommand(const char* name);
int toolCommandCount();
const ToolCommandEntry& toolCommandAt(int i);
