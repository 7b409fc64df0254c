// gvs-tool info FILE.3ds [--json]: what the 3DS reader found in a file, as a text
// summary or one JSON object. Vectors are printed as the reader stores them (y and z
// exchanged against the file). A reader failure prints the engine's fatal line and
// exits with status 1, as the show would.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/enginelog.hpp"
#include "engine/threeds.hpp"
#include "cli/commands.hpp"

namespace {

// Names are raw bytes from the file; bytes outside printable ASCII are escaped as
// Latin-1 code points so the output is always valid JSON.
std::string jsonString(const char* text) {
  std::string out = "\"";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p == '"' || *p == '\\') {
      out += '\\';
      out += static_cast<char>(*p);
    } else if (*p < 0x20 || *p >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", *p);
      out += buf;
    } else {
      out += static_cast<char>(*p);
    }
  }
  return out + "\"";
}

// Shortest text that reads back as the same float; JSON has no NaN or infinity.
std::string jsonFloat(float value) {
  if (!std::isfinite(value)) return "null";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(value));
  return buf;
}

std::string jsonVector(const Vector3& v) {
  return "[" + jsonFloat(v.x) + "," + jsonFloat(v.y) + "," + jsonFloat(v.z) + "]";
}

std::string infoJson(const ThreeDsData& d) {
  std::string s = "{\"objects\":[";
  for (uint32_t i = 0; i < d.objectCount; ++i) {
    const ThreeDsObject& o = *d.objects[i];
    if (i > 0) s += ",";
    s += "{\"name\":" + jsonString(o.name) + ",\"vertices\":" + std::to_string(o.vertexCount) +
         ",\"faces\":" + std::to_string(o.faceCount) +
         ",\"trackNode\":" + std::to_string(o.trackNode);
    if (o.vertexCount > 0) {
      const ThreeDsVertex& v = o.vertices[0];
      s += ",\"firstVertex\":" + jsonVector(Vector3{v.x, v.y, v.z});
    }
    if (o.faceCount > 0) {
      const ThreeDsFace& f = o.faces[0];
      s += ",\"firstFace\":[" + std::to_string(f.a) + "," + std::to_string(f.b) + "," +
           std::to_string(f.c) + "]";
    }
    s += "}";
  }
  s += "],\"cameras\":[";
  for (uint32_t i = 0; i < d.cameraCount; ++i) {
    const ThreeDsCamera& c = *d.cameras[i];
    if (i > 0) s += ",";
    s += "{\"name\":" + jsonString(c.name) + ",\"position\":" + jsonVector(c.position) +
         ",\"target\":" + jsonVector(c.target) + ",\"bank\":" + jsonFloat(c.bank) +
         ",\"lens\":" + jsonFloat(c.lens) + ",\"positionNode\":" + std::to_string(c.positionNode) +
         ",\"targetNode\":" + std::to_string(c.targetNode) + "}";
  }
  s += "],\"lights\":[";
  for (uint32_t i = 0; i < d.lightCount; ++i) {
    if (i > 0) s += ",";
    s += "{\"name\":" + jsonString(d.lights[i]->name) + "}";
  }
  s += "],\"materials\":[";
  for (uint32_t i = 0; i < d.materialCount; ++i) {
    const ThreeDsMaterial& m = *d.materials[i];
    if (i > 0) s += ",";
    s += "{\"name\":" + jsonString(m.name) + ",\"textureFile\":" + jsonString(m.textureFile) + "}";
  }
  s += "],\"frames\":{\"start\":" + std::to_string(d.startFrame) +
       ",\"end\":" + std::to_string(d.endFrame) + ",\"count\":" + std::to_string(d.frameCount) +
       "},\"trackNodes\":[";
  for (uint32_t i = 0; i < d.trackNodeCount; ++i) {
    const ThreeDsTrackNode& n = *d.trackNodes[i];
    if (i > 0) s += ",";
    s += "{\"name\":" + jsonString(n.name) + ",\"kind\":" + std::to_string(int(n.kind)) +
         ",\"nodeId\":" + std::to_string(n.nodeId) + ",\"parent\":" + std::to_string(n.parent) +
         ",\"keys\":{\"position\":" + std::to_string(n.positionKeyCount) +
         ",\"rotation\":" + std::to_string(n.rotationKeyCount) +
         ",\"scale\":" + std::to_string(n.scaleKeyCount) +
         ",\"fov\":" + std::to_string(n.fovKeyCount) +
         ",\"roll\":" + std::to_string(n.rollKeyCount) +
         ",\"morph\":" + std::to_string(n.morphKeyCount) + "}}";
  }
  s += "],\"totalBytes\":" + std::to_string(d.totalBytes) + "}";
  return s;
}

// What the node's chunk holds in files written by 3D editors. The engine's names for
// the three light kinds are older guesses and stay (its tracks key on the numbers):
// 0xB005 (spotlightPosition) is an omni light, 0xB006 (spotlightTarget) a
// spotlight's target and 0xB007 (omnilightPosition) a spotlight.
const char* kindName(ThreeDsNodeKind kind) {
  switch (kind) {
    case ThreeDsNodeKind::object: return "object";
    case ThreeDsNodeKind::cameraPosition: return "camera position";
    case ThreeDsNodeKind::cameraTarget: return "camera target";
    case ThreeDsNodeKind::spotlightPosition: return "omni light";
    case ThreeDsNodeKind::spotlightTarget: return "spotlight target";
    case ThreeDsNodeKind::omnilightPosition: return "spotlight";
  }
  return "?";
}

void printText(const ThreeDsData& d, const char* path) {
  std::printf("%s: %u bytes held by the reader's structure\n", path, d.totalBytes);
  std::printf("Objects: %u\n", d.objectCount);
  for (uint32_t i = 0; i < d.objectCount; ++i) {
    const ThreeDsObject& o = *d.objects[i];
    std::printf("  %u '%s': %u vertices, %u faces, track node %u\n", i, o.name, o.vertexCount,
                o.faceCount, o.trackNode);
  }
  std::printf("Cameras: %u\n", d.cameraCount);
  for (uint32_t i = 0; i < d.cameraCount; ++i) {
    const ThreeDsCamera& c = *d.cameras[i];
    std::printf("  %u '%s': position (%g, %g, %g), target (%g, %g, %g), bank %g, lens %g,"
                " nodes %u/%u\n",
                i, c.name, c.position.x, c.position.y, c.position.z, c.target.x, c.target.y,
                c.target.z, c.bank, c.lens, c.positionNode, c.targetNode);
  }
  std::printf("Lights: %u\n", d.lightCount);
  for (uint32_t i = 0; i < d.lightCount; ++i) std::printf("  %u '%s'\n", i, d.lights[i]->name);
  std::printf("Materials: %u\n", d.materialCount);
  for (uint32_t i = 0; i < d.materialCount; ++i) {
    const ThreeDsMaterial& m = *d.materials[i];
    std::printf("  %u '%s': ambient %u %u %u, texture '%s'\n", i, m.name, m.ambient[0],
                m.ambient[1], m.ambient[2], m.textureFile);
  }
  std::printf("Frames: %u to %u (%u)\n", d.startFrame, d.endFrame, d.frameCount);
  std::printf("Track nodes: %u\n", d.trackNodeCount);
  for (uint32_t i = 0; i < d.trackNodeCount; ++i) {
    const ThreeDsTrackNode& n = *d.trackNodes[i];
    std::printf("  %u '%s' (%s), id %u, parent %u; keys: position %u, rotation %u, scale %u,"
                " fov %u, roll %u, morph %u\n",
                i, n.name, kindName(n.kind), n.nodeId, n.parent, n.positionKeyCount,
                n.rotationKeyCount, n.scaleKeyCount, n.fovKeyCount, n.rollKeyCount,
                n.morphKeyCount);
  }
}

int run(int argc, char** argv) {
  const char* path = nullptr;
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help")) {
      std::printf(
          "Usage: gvs-tool info FILE.3ds [--json]\n\n"
          "Reads a 3DS file with the engine's reader and prints what it found: objects,\n"
          "cameras, lights, materials, the frame segment and the track nodes. Vectors are\n"
          "shown as the engine stores them (y and z exchanged against the file). A file\n"
          "the reader refuses prints its VRX_FATAL line and exits with status 1.\n\n"
          "  --json  one JSON object instead of the text summary\n");
      return 0;
    } else if (!std::strcmp(argv[i], "--json")) {
      json = true;
    } else if (argv[i][0] == '-') {
      std::fprintf(stderr, "gvs-tool info: unknown option '%s' (see --help)\n", argv[i]);
      return 2;
    } else if (path != nullptr) {
      std::fprintf(stderr, "gvs-tool info: only one file, please (see --help)\n");
      return 2;
    } else {
      path = argv[i];
    }
  }
  if (path == nullptr) {
    std::fprintf(stderr, "gvs-tool info: no file given (see --help)\n");
    return 2;
  }
  ThreeDsData* data = nullptr;
  if (!load3dsFromDisk(data, path)) {
    const int code = take3dsError();
    if (data != nullptr) free3ds(data);
    logFatal(threeDsErrorText(code), stopOnFatal);
  }
  if (json)
    std::printf("%s\n", infoJson(*data).c_str());
  else
    printText(*data, path);
  free3ds(data);
  return 0;
}


}  // namespace

int infoCommand(int argc, char** argv) { return run(argc, argv); }
