// The per-frame passes after the tracks are evaluated: the hierarchy, whole-object
// culling against the view volume, the camera-space transform with back-face
// marking, polygon clipping and the drawing of one object's visible polygons.
#pragma once
#include <cstdint>

#include "engine/scene3d.hpp"

// Signed distances within this band of a plane make no new corner.
constexpr float kClipBand = 0.01f;

// Multiplies each node's world matrices by its parent's, depth first.
void propagateTrackTree(Scene3D* scene);
void cullObjects(Scene3D* scene);
void transformObjects(Scene3D* scene);
// The near/far planes, then the four sides, each only where the object's box
// crosses it.
void clipPolygons(Scene3D* scene);
// Grey levels from the camera-space face normals (not part of the frame sequence).
void shadeFlat(Scene3D* scene);

using PolygonRasterizer = void (*)(const ProjectedObject* object, uint32_t polygon, uint32_t* target);
// Every visible polygon of object i, when the object is visible.
void drawObject(const Scene3D* scene, uint32_t objectIndex, PolygonRasterizer rasterizer, uint32_t* target);
// A drawing pass by object name (exact, case-sensitive): with onlyNamed the objects
// named in the list, otherwise all the others (an empty list: every object).
void drawObjectsByName(const Scene3D* scene, const char* const* names, int nameCount, bool onlyNamed,
                       PolygonRasterizer rasterizer, uint32_t* target);
