// The gvs-tool commands, all in one table (commands.cpp): a new command is a file in
// cli/ with its entry function, declared here and listed in the table.
#pragma once

// argv[0] is the command's name; the result is the exit status.
using ToolCommand = int (*)(int argc, char** argv);

int benchCommand(int argc, char** argv);
int contactSheetCommand(int argc, char** argv);
int dumpCommand(int argc, char** argv);
int forgeCommand(int argc, char** argv);
int infoCommand(int argc, char** argv);
int renderCommand(int argc, char** argv);
int viewCommand(int argc, char** argv);

struct ToolCommandEntry {
  const char* name;
  const char* summary;
  ToolCommand run;
};
// The commands, sorted by name; null when there is none of that name.
const ToolCommandEntry* findToolCommand(const char* name);
int toolCommandCount();
const ToolCommandEntry& toolCommandAt(int i);
