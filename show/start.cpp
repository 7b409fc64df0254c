// The --start option's values: SceneTimes and the names of the sections.
#include "show/start.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "scenes/sections.hpp"

bool parseShowStart(const char* text, long double& sceneTime) {
  for (int i = 0; i < kShowSectionCount; ++i) {
    if (strcasecmp(text, kShowSections[i].module->name) == 0) {
      sceneTime = sectionStart(i);
      return true;
    }
  }
  char* end = nullptr;
  const long double t = std::strtold(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(t) || t < 0 || t > kShowEnd) return false;
  sceneTime = t;
  return true;
}

std::string sectionList() {
  std::string list;
  char line[160];
  for (int i = 0; i < kShowSectionCount; ++i) {
    std::snprintf(line, sizeof line, "  %-8s %8.2Lf  %s\n", kShowSections[i].module->name, sectionStart(i),
                  kShowSections[i].description);
    list += line;
  }
  return list;
}
