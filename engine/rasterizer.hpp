// The two scan-line polygon fillers: perspective-correct and affine texturing of a
// visible polygon of a projected object into a 320-pixel-wide colour target,
// tested against and written into the current depth target (1/z, larger is
// nearer). Texels are copied unchanged; nothing is shaded or sorted.
#pragma once
#include <cstdint>

#include "engine/scene3d.hpp"

void drawPolygonPerspective(const ProjectedObject* object, uint32_t polygon, uint32_t* target);
void drawPolygonAffine(const ProjectedObject* object, uint32_t polygon, uint32_t* target);
