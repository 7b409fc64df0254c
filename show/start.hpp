// Where the show starts with --start: a SceneTime, or a section's name for the start
// of its window.
#pragma once
#include <string>

// The SceneTime a --start value names: a number from 0 to 24500, or the name of a
// section of the table (any letter case). False when the text is neither.
bool parseShowStart(const char* text, long double& sceneTime);
// The sections one to a line: name, the SceneTime its window opens at, what it shows.
std::string sectionList();
