// The per-frame passes: hierarchy, culling, transform, clipping, drawing.
#include "engine/pipeline.hpp"

#include <emmintrin.h>

#include <cstring>

#include "engine/camera.hpp"
#include "engine/threeds.hpp"
#include "engine/vectorops.hpp"

namespace {

void propagate(TrackTreeNode* node) {
  for (uint32_t k = 0; k < node->childCount; ++k) {
    TrackTreeNode* child = node->children[k];
    Matrix4 m;
    multiplyMatrices(m, *child->worldMatrix, *node->worldMatrix);
    *child->worldMatrix = m;
    multiplyMatrices(m, *child->worldRotation, *node->worldRotation);
    *child->worldRotation = m;
    propagate(child);
  }
}

// Signed distance to plane k, positive inside.
inline float planeDistance(const ViewPlane* planes, int k, const CameraVertex& p) {
  switch (k) {
    case kNearPlane:
      return p.z - planes[kNearPlane].point.z;
    case kFarPlane:
      return planes[kFarPlane].point.z - p.z;
    default: {
      const Vector3& n = planes[k].normal;
      return p.x * n.x + p.y * n.y + p.z * n.z;
    }
  }
}

// Sutherland-Hodgman against one plane. New vertices are appended to the object's
// vertex array; the guards only matter for polygons that rounding made non-convex.
void clipPolygon(TransformedObject& obj, Polygon& poly, const ViewPlane* planes, int k) {
  int32_t corner[kMaxPolygonCorners];
  uint8_t flags[kMaxPolygonCorners];
  const int n = poly.cornerCount;
  for (int i = 0; i < n; ++i) {
    corner[i] = poly.corner[i];
    flags[i] = poly.edgeFlags[i];
  }
  int out = 0;
  auto emit = [&](int32_t index, uint8_t flag) {
    if (out >= kMaxPolygonCorners) return;
    poly.corner[out] = index;
    poly.edgeFlags[out] = flag;
    ++out;
  };
  auto intersect = [&](const CameraVertex& a, float da, const CameraVertex& b, float db, uint8_t flag) {
    if (obj.vertexCount >= obj.vertexCapacity || out >= kMaxPolygonCorners) return;
    const float t = da / (da - db);
    CameraVertex& v = obj.vertices[obj.vertexCount];
    v.x = a.x + t * (b.x - a.x);
    v.y = a.y + t * (b.y - a.y);
    v.z = a.z + t * (b.z - a.z);
    v.u = b.u * t + a.u * (1.0f - t);
    v.v = b.v * t + a.v * (1.0f - t);
    emit(int32_t(obj.vertexCount), flag);
    ++obj.vertexCount;
  };
  // Copies, since appending may not move the array but a reference into it would
  // alias the vertex being written.
  CameraVertex prev = obj.vertices[corner[0]];
  float dPrev = planeDistance(planes, k, prev);
  for (int e = 0; e < n; ++e) {
    const CameraVertex cur = obj.vertices[corner[(e + 1) % n]];
    const float dCur = planeDistance(planes, k, cur);
    if (dPrev > 0.0f) {
      emit(corner[e], flags[e]);
      if (dCur < -kClipBand) intersect(prev, dPrev, cur, dCur, flags[e]);
    } else if (dCur > kClipBand) {
      intersect(prev, dPrev, cur, dCur, flags[e]);
    }
    prev = cur;
    dPrev = dCur;
  }
  poly.cornerCount = out;
  if (out == 0) poly.visible = 0;
}

inline int32_t roundToInt(double x) { return _mm_cvtsd_si32(_mm_set_sd(x)); }

}  // namespace

void propagateTrackTree(Scene3D* scene) {
  if (scene->trackTree) propagate(scene->trackTree);
}

void cullObjects(Scene3D* scene) {
  const ThreeDsData* mesh = scene->mesh;
  TransformedMesh& tm = *scene->transformedMesh;
  ViewPlane planes[kViewPlaneCount];
  computeViewPlanes(*scene->camera, planes);
  float planeOffset[kViewPlaneCount];
  for (int k = 0; k < kViewPlaneCount; ++k) planeOffset[k] = dotProduct(planes[k].point, planes[k].normal);

  for (unsigned i = 0; i < tm.objectCount; ++i) {
    TransformedObject& obj = *tm.objects[i];
    Matrix4 m;
    multiplyMatrices(m, *obj.worldMatrix, scene->camera->transformation);
    for (int c = 0; c < 8; ++c) obj.boxCorners[c] = transformPoint(mesh->objects[i]->boxCorners[c], m);
    unsigned mask[kViewPlaneCount];
    for (int k = 0; k < kViewPlaneCount; ++k) {
      mask[k] = 0;
      for (int c = 0; c < 8; ++c)
        if (dotProduct(obj.boxCorners[c], planes[k].normal) < planeOffset[k]) mask[k] |= 1u << c;
    }
    obj.visible = 1;
    for (int k = 0; k < kViewPlaneCount; ++k)
      if (mask[k] == 0xFF) {
        obj.visible = 0;
        break;
      }
    if (obj.visible)
      for (int k = 0; k < kViewPlaneCount; ++k) obj.clipFlags[k] = mask[k] ? 1 : 0;
  }
}

void transformObjects(Scene3D* scene) {
  const ThreeDsData* mesh = scene->mesh;
  TransformedMesh& tm = *scene->transformedMesh;
  const ProjectionCamera& cam = *scene->camera;
  for (unsigned i = 0; i < tm.objectCount; ++i) {
    TransformedObject& obj = *tm.objects[i];
    if (!obj.visible) continue;
    const ThreeDsObject& src = *mesh->objects[i];
    obj.vertexCount = src.vertexCount;
    Matrix4 m;
    multiplyMatrices(m, *obj.worldMatrix, cam.transformation);
    for (unsigned j = 0; j < src.vertexCount; ++j) {
      const ThreeDsVertex& v = src.vertices[j];
      Vector3 p = transformPoint({v.x, v.y, v.z}, m);
      obj.vertices[j] = {p.x, p.y, p.z, v.u, v.v};
    }
    Matrix4 r;
    multiplyMatrices(r, *obj.worldRotation, cam.rotation);
    for (unsigned f = 0; f < src.faceCount; ++f) {
      const ThreeDsFace& face = src.faces[f];
      Polygon& poly = obj.polygons[f];
      poly.corner[0] = face.a;
      poly.corner[1] = face.b;
      poly.corner[2] = face.c;
      poly.edgeFlags[0] = face.edgeAB;
      poly.edgeFlags[1] = face.edgeBC;
      poly.edgeFlags[2] = face.edgeCA;
      poly.cornerCount = 3;
      if (mesh->materialCount) poly.texture = scene->textures[face.materialIndex];
      obj.faceNormals[f] = transformDirection(src.faceNormals[f], r);
      const CameraVertex& a = obj.vertices[face.a];
      const Vector3& n = obj.faceNormals[f];
      poly.visible = (a.x * n.x + a.y * n.y + a.z * n.z >= 0.0f) ? 1 : 0;
    }
  }
}

void clipPolygons(Scene3D* scene) {
  TransformedMesh& tm = *scene->transformedMesh;
  ViewPlane planes[kViewPlaneCount];
  computeViewPlanes(*scene->camera, planes);
  for (unsigned i = 0; i < tm.objectCount; ++i) {
    TransformedObject& obj = *tm.objects[i];
    if (!obj.visible) continue;
    for (int k = 0; k < kViewPlaneCount; ++k) {
      if (!obj.clipFlags[k]) continue;
      for (uint32_t f = 0; f < obj.polygonCount; ++f) {
        Polygon& poly = obj.polygons[f];
        if (poly.cornerCount >= 3 && poly.visible)
          clipPolygon(obj, poly, planes, k);
        else
          poly.visible = 0;
      }
    }
  }
}

void shadeFlat(Scene3D* scene) {
  TransformedMesh& tm = *scene->transformedMesh;
  for (unsigned i = 0; i < tm.objectCount; ++i) {
    TransformedObject& obj = *tm.objects[i];
    if (!obj.visible) continue;
    for (uint32_t f = 0; f < obj.polygonCount; ++f) {
      Polygon& poly = obj.polygons[f];
      if (!poly.visible) continue;
      const float c = normalised(obj.faceNormals[f]).z;
      const uint32_t level = uint32_t(roundToInt(double(c) * 192.0) + 63) & 0xFF;
      poly.shade[0] = poly.shade[1] = level * 0x010101u;
    }
  }
}

void drawObject(const Scene3D* scene, uint32_t objectIndex, PolygonRasterizer rasterizer, uint32_t* target) {
  const ProjectedObject* obj = scene->projectedMesh->objects[objectIndex];
  if (!obj->visible) return;
  for (uint32_t j = 0; j < obj->polygonCount; ++j)
    if (obj->polygons[j]->visible) rasterizer(obj, j, target);
}

void drawObjectsByName(const Scene3D* scene, const char* const* names, int nameCount, bool onlyNamed,
                       PolygonRasterizer rasterizer, uint32_t* target) {
  const ThreeDsData* mesh = scene->mesh;
  for (unsigned i = 0; i < scene->projectedMesh->objectCount; ++i) {
    bool named = false;
    for (int k = 0; k < nameCount && !named; ++k) named = std::strcmp(mesh->objects[i]->name, names[k]) == 0;
    if (named == onlyNamed) drawObject(scene, i, rasterizer, target);
  }
}
