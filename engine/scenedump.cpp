// The Scene3D debug dumps.
#include "engine/scenedump.hpp"

#include <cstring>
#include <string>

#include "engine/threeds.hpp"

namespace {

// Box characters of code page 437, one byte each.
constexpr char kBoxTopLeft = char(0xDA);
constexpr char kBoxHorizontal = char(0xC4);
constexpr char kBoxTopRight = char(0xBF);
constexpr char kBoxVertical = char(0xB3);
constexpr char kBoxBottomLeft = char(0xC0);
constexpr char kBoxBottomRight = char(0xD9);
constexpr char kBoxTee = char(0xC3);

void line(FILE* out, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), out);
  std::fputc('\n', out);
}

// An empty line, the three lines of the box around the title, an empty line.
void banner(FILE* out, const char* title) {
  const std::string middle = std::string(1, kBoxVertical) + " " + title + " " + kBoxVertical;
  const std::string rule(middle.size() - 2, kBoxHorizontal);
  line(out, "");
  line(out, kBoxTopLeft + rule + kBoxTopRight);
  line(out, middle);
  line(out, kBoxBottomLeft + rule + kBoxBottomRight);
  line(out, "");
}

void printFloat(float v, FILE* out) { std::fprintf(out, "%3.3f", double(v)); }

void floatRow(FILE* out, const char* label, float v) {
  std::fputs(label, out);
  printFloat(v, out);
  std::fputc('\n', out);
}

void vectorRow(FILE* out, const char* label, const Vector3& v) {
  std::fputs(label, out);
  printVec3Line(v, out);
}

void memoryRow(FILE* out, const char* label, uint32_t bytes) {
  std::fprintf(out, " %-30s%8u bytes\n", label, unsigned(bytes));
}

void printNode(FILE* out, const Scene3D* scene, const TrackTreeNode* node, std::string prefix,
               const std::string& continuation) {
  if (node->nodeIndex == kRootNodeIndex) {
    line(out, prefix + "o World ");
  } else {
    const ThreeDsData* mesh = scene->mesh;
    const char* name = node->nodeIndex < mesh->trackNodeCount ? mesh->trackNodes[node->nodeIndex]->name : "";
    line(out, prefix + "o '" + name + "' (track " + std::to_string(node->nodeIndex) + ")");
    if (node->childCount) prefix = prefix.substr(0, prefix.size() >= 2 ? prefix.size() - 2 : 0) + continuation;
  }
  for (uint32_t k = 0; k < node->childCount; ++k) {
    const bool last = k + 1 == node->childCount;
    const std::string branch = last ? std::string{kBoxBottomLeft, kBoxHorizontal} : std::string{kBoxTee, kBoxHorizontal};
    const std::string next = last ? std::string("  ") : std::string{kBoxVertical, ' '};
    printNode(out, scene, node->children[k], prefix + branch, next);
  }
}

}  // namespace

const char* trackKindName(uint8_t kind) {
  switch (kind) {
    case 1:
      return "object";
    case 2:
      return "camera";
    case 4:
      return "camera target";
    case 8:
      return "omni light";
    default:
      return "unknown";
  }
}

void printVec3(const Vector3& v, FILE* out) {
  std::fputs("x: ", out);
  printFloat(v.x, out);
  std::fputs(" y: ", out);
  printFloat(v.y, out);
  std::fputs(" z: ", out);
  printFloat(v.z, out);
}

void printVec3Line(const Vector3& v, FILE* out) {
  printVec3(v, out);
  std::fputc('\n', out);
}

void printQuat(const Quaternion& q, FILE* out) {
  std::fputs("w: ", out);
  printFloat(q.w, out);
  std::fputs(" [ x: ", out);
  printFloat(q.x, out);
  std::fputs(" y: ", out);
  printFloat(q.y, out);
  std::fputs(" z: ", out);
  printFloat(q.z, out);
  std::fputs(" ]", out);
}

void printQuatLine(const Quaternion& q, FILE* out) {
  printQuat(q, out);
  std::fputc('\n', out);
}

void printMatrix(const Matrix4& m, FILE* out) {
  for (int r = 0; r < 4; ++r)
    std::fprintf(out, "| %8.3f  %8.3f  %8.3f  %8.3f  |\n", double(m.m[4 * r]), double(m.m[4 * r + 1]),
                 double(m.m[4 * r + 2]), double(m.m[4 * r + 3]));
}

void dumpCamera(const Scene3D* scene, FILE* out) {
  banner(out, "VRX_RNDR DEBUG - Projection camera dump");
  const ProjectionCamera& c = *scene->camera;
  vectorRow(out, "Position   : ", c.position);
  vectorRow(out, "Target     : ", c.target);
  vectorRow(out, "X axis     : ", c.xAxis);
  vectorRow(out, "Y axis     : ", c.yAxis);
  vectorRow(out, "Z axis     : ", c.zAxis);
  floatRow(out, "Roll       : ", c.roll);
  floatRow(out, "FOV        : ", c.fov);
  floatRow(out, "XMagnify   : ", c.xMagnify);
  floatRow(out, "YMagnify   : ", c.yMagnify);
  floatRow(out, "NearZPlane : ", c.nearZPlane);
  floatRow(out, "FarZPlane  : ", c.farZPlane);
  line(out, "Transformation matrix :");
  printMatrix(c.transformation, out);
  line(out, "");
}

void dumpHierarchy(const Scene3D* scene, FILE* out) {
  banner(out, "VRX_RNDR DEBUG - Hierarchy tree dump");
  if (!scene->trackTree) {
    line(out, " Tree not created or already destroyed\r\n");
    return;
  }
  printNode(out, scene, scene->trackTree, " ", "");
  line(out, "");
}

void dumpMemory(const Scene3D* scene, FILE* out) {
  banner(out, "VRX_RNDR DEBUG - Memory allocated by scene");
  memoryRow(out, "Scene structure", uint32_t(sizeof(Scene3D)));
  memoryRow(out, "3D mesh", scene->mesh ? scene->mesh->totalBytes : 0);
  memoryRow(out, "3D transformed mesh", scene->transformedMesh ? scene->transformedMesh->bytes : 0);
  memoryRow(out, "2D mesh", scene->projectedMesh ? scene->projectedMesh->bytes : 0);
  memoryRow(out, "Track hierarchy tree", scene->trackTreeBytes);
  memoryRow(out, "Precalculated animation data", scene->precalcBytes);
  line(out, " " + std::string(44, kBoxHorizontal));
  memoryRow(out, "Total", scene->totalBytes);
  line(out, "");
}

void dumpObjects(const Scene3D* scene, FILE* out) {
  banner(out, "VRX_RNDR DEBUG - Object List");
  const ThreeDsData* mesh = scene->mesh;
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    const ThreeDsObject& o = *mesh->objects[i];
    line(out, " Object #" + std::to_string(i) + " Name: '" + o.name + "' Track: " + std::to_string(o.trackNode));
  }
  line(out, "");
}

void dumpTracks(const Scene3D* scene, FILE* out) {
  banner(out, "VRX_RNDR DEBUG - Tracks List");
  const ThreeDsData* mesh = scene->mesh;
  for (unsigned i = 0; i < mesh->trackNodeCount; ++i) {
    const ThreeDsTrackNode& n = *mesh->trackNodes[i];
    line(out, " Track #" + std::to_string(i) + " Name: '" + n.name + "' Type: " + trackKindName(uint8_t(n.kind)));
  }
  line(out, "");
}

void dumpScene(const Scene3D* scene, FILE* out) {
  line(out, "");
  banner(out, "VRX_RNDR DEBUG - Scene dump");
  line(out, "");
  line(out, "not fully implemented yet");
  dumpCamera(scene, out);
  dumpHierarchy(scene, out);
  dumpMemory(scene, out);
  dumpObjects(scene, out);
  dumpTracks(scene, out);
  line(out, "");
}
