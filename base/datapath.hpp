// Resolves the show's data paths ("data\loader\loader.rgb", "DATA\HYPER\") against
// the data root: backslashes become separators and every component is matched
// case-insensitively against what is on disk.
#pragma once
#include <string>

// The data root is the current directory when it holds a "data" folder,
// otherwise the directory of the running executable.
void initDataRoot();
void setDataRoot(const std::string& root);
const std::string& dataRoot();

// The on-disk path for a show path. Components that do not exist are kept as
// written, so opening the result fails cleanly.
std::string resolveDataPath(const std::string& showPath);

// The folder and file of the running executable.
std::string executableDirectory();
