// Resolves the show's data paths ("data\loader\loader.rgb", "DATA\HYPER\") against
// the data root: backslashes become separators and every component is matched
// case-insensitively against what is on disk.
#pragma once
#include <string>

// The data root is the first of these that holds a "data" folder: the current
// directory, the directory of the running executable, and share/gvs beside that
// directory (an installed tree: PREFIX/bin/gvs reads PREFIX/share/gvs/data). With
// none, it is the executable's directory.
void initDataRoot();
// The same choice for a given current and executable directory ("." is returned
// as ".").
std::string findDataRoot(const std::string& currentDirectory, const std::string& executableDirectory);
void setDataRoot(const std::string& root);
const std::string& dataRoot();

// The on-disk path for a show path. Components that do not exist are kept as
// written, so opening the result fails cleanly.
std::string resolveDataPath(const std::string& showPath);

// The folder and file of the running executable.
std::string executableDirectory();
