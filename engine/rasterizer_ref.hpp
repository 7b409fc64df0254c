// Plain, step-by-step versions of the two polygon fillers. They define the results;
// the fast versions in rasterizer.hpp must match them bit for bit.
#pragma once
#include <cstdint>

#include "engine/scene3d.hpp"

namespace ref {
void drawPolygonPerspective(const ProjectedObject* object, uint32_t polygon, uint32_t* target);
void drawPolygonAffine(const ProjectedObject* object, uint32_t polygon, uint32_t* target);
}  // namespace ref
