// Writing 3DS files in the chunks the reader understands, by the shared chunk ids.
#include "engine/threeds_writer.hpp"

#include <cstring>

#include "engine/threeds_chunks.hpp"

namespace {

class ChunkWriter {
 public:
  explicit ChunkWriter(std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  void u8(uint8_t v) { bytes_.push_back(v); }
  void u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
  }
  void u32(uint32_t v) {
    u16(static_cast<uint16_t>(v));
    u16(static_cast<uint16_t>(v >> 16));
  }
  void f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
  }
  // Back to the file's axis order: the engine's (x, y, z) is the file's (x, z, y).
  void point(const Vector3& v) {
    f32(v.x);
    f32(v.z);
    f32(v.y);
  }
  void cstring(const std::string& s) {
    for (char ch : s)
      if (ch != '\0') u8(static_cast<uint8_t>(ch));
    u8(0);
  }

  // Opens a chunk; its length is filled in by close().
  void open(ThreeDsChunkId id) {
    open_.push_back(bytes_.size());
    u16(id);
    u32(0);
  }
  void close() {
    const size_t start = open_.back();
    open_.pop_back();
    const uint32_t length = static_cast<uint32_t>(bytes_.size() - start);
    for (int i = 0; i < 4; ++i) bytes_[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
  }

 private:
  std::vector<uint8_t>& bytes_;
  std::vector<size_t> open_;
};

void writeColorChunk(ChunkWriter& w, ThreeDsChunkId id, const uint8_t rgb[3]) {
  w.open(id);
  w.open(kChunkRgbByte);
  w.u8(rgb[0]);
  w.u8(rgb[1]);
  w.u8(rgb[2]);
  w.close();
  w.close();
}

void writeMaterial(ChunkWriter& w, const ThreeDsWriterMaterial& m) {
  w.open(kChunkMaterialBlock);
  w.open(kChunkMaterialName);
  w.cstring(m.name);
  w.close();
  writeColorChunk(w, kChunkMaterialAmbient, m.ambient);
  // Other readers take the diffuse colour for the material's colour.
  writeColorChunk(w, kChunkMaterialDiffuse, m.ambient);
  if (!m.textureFile.empty()) {
    w.open(kChunkMaterialTexture);
    w.open(kChunkWordValue);
    w.u16(m.textureAmount);
    w.close();
    w.open(kChunkTextureFile);
    w.cstring(m.textureFile);
    w.close();
    w.close();
  }
  w.close();
}

void writeObject(ChunkWriter& w, const ThreeDsWriterObject& o) {
  w.open(kChunkObjectBlock);
  w.cstring(o.name);
  w.open(kChunkObjectMesh);
  w.open(kChunkVertexList);
  w.u16(static_cast<uint16_t>(o.vertices.size()));
  for (const Vector3& v : o.vertices) w.point(v);
  w.close();
  if (!o.uvs.empty()) {
    w.open(kChunkMappingCoordinates);
    w.u16(static_cast<uint16_t>(o.uvs.size()));
    for (const ThreeDsWriterUv& uv : o.uvs) {
      w.f32(uv.u);
      w.f32(uv.v);
    }
    w.close();
  }
  if (o.writeMatrix) {
    // The reader turns the file's Y-axis row into zAxis and its Z-axis row into
    // yAxis, exchanging the second and third component of every row.
    w.open(kChunkObjectMatrix);
    w.point(o.xAxis);
    w.point(o.zAxis);
    w.point(o.yAxis);
    w.point(o.origin);
    w.close();
  }
  w.open(kChunkFaceList);
  w.u16(static_cast<uint16_t>(o.faces.size()));
  for (const ThreeDsWriterFace& f : o.faces) {
    w.u16(f.a);
    w.u16(f.b);
    w.u16(f.c);
    w.u16(f.flags);
  }
  for (const ThreeDsWriterFaceGroup& g : o.faceGroups) {
    w.open(kChunkFacesMaterial);
    w.cstring(g.material);
    w.u16(static_cast<uint16_t>(g.faces.size()));
    for (uint16_t face : g.faces) w.u16(face);
    w.close();
  }
  w.close();
  w.close();
  w.close();
}

void writeCamera(ChunkWriter& w, const ThreeDsWriterCamera& c) {
  w.open(kChunkObjectBlock);
  w.cstring(c.name);
  w.open(kChunkCamera);
  w.point(c.position);
  w.point(c.target);
  w.f32(c.bank);
  w.f32(c.lens);
  w.close();
  w.close();
}

void writeLight(ChunkWriter& w, const ThreeDsWriterLight& l) {
  w.open(kChunkObjectBlock);
  w.cstring(l.name);
  w.open(kChunkLight);
  w.point(l.position);
  if (l.spotlight) {
    w.open(kChunkSpotlight);
    w.point(l.target);
    w.f32(l.hotspot);
    w.f32(l.falloff);
    w.close();
  }
  w.close();
  w.close();
}

void writeSpline(ChunkWriter& w, const ThreeDsSplineParams& s) {
  w.u16(s.flags);
  const float values[5] = {s.tension, s.continuity, s.bias, s.easeTo, s.easeFrom};
  for (int bit = 0; bit < 16; ++bit)
    if (s.flags & (1u << bit)) w.f32(bit < 5 ? values[bit] : 0.0f);
}

void writeValue(ChunkWriter& w, const Vector3& v) { w.point(v); }
void writeValue(ChunkWriter& w, float v) { w.f32(v); }
void writeValue(ChunkWriter& w, const ThreeDsWriterRotation& r) {
  w.f32(r.angle);
  w.point(r.axis);
}
void writeValue(ChunkWriter& w, const std::string& s) { w.cstring(s); }

template <typename Value>
void writeKeyTrack(ChunkWriter& w, ThreeDsChunkId id, const std::vector<ThreeDsWriterKey<Value>>& keys) {
  if (keys.empty()) return;
  w.open(id);
  w.u16(0);  // track flags
  w.u32(0);
  w.u32(0);
  w.u32(static_cast<uint32_t>(keys.size()));
  for (const ThreeDsWriterKey<Value>& key : keys) {
    w.u32(key.frame);
    writeSpline(w, key.spline);
    writeValue(w, key.value);
  }
  w.close();
}

ThreeDsChunkId nodeChunkId(ThreeDsNodeKind kind) {
  switch (kind) {
    case ThreeDsNodeKind::object: return kChunkObjectTrack;
    case ThreeDsNodeKind::cameraPosition: return kChunkCameraPositionTrack;
    case ThreeDsNodeKind::cameraTarget: return kChunkCameraTargetTrack;
    case ThreeDsNodeKind::spotlightPosition: return kChunkSpotlightPositionTrack;
    case ThreeDsNodeKind::spotlightTarget: return kChunkSpotlightTargetTrack;
    case ThreeDsNodeKind::omnilightPosition: return kChunkOmnilightTrack;
  }
  return kChunkObjectTrack;
}

void writeNode(ChunkWriter& w, const ThreeDsWriterNode& n) {
  w.open(nodeChunkId(n.kind));
  w.open(kChunkTrackNumber);
  w.u16(n.nodeId);
  w.close();
  w.open(kChunkTrackName);
  w.cstring(n.name);
  w.u16(0);
  w.u16(0);
  w.u16(n.parent);
  w.close();
  w.open(kChunkTrackPivot);
  w.point(n.pivot);
  w.close();
  writeKeyTrack(w, kChunkPositionKeys, n.positionKeys);
  writeKeyTrack(w, kChunkRotationKeys, n.rotationKeys);
  writeKeyTrack(w, kChunkScaleKeys, n.scaleKeys);
  writeKeyTrack(w, kChunkFovKeys, n.fovKeys);
  writeKeyTrack(w, kChunkRollKeys, n.rollKeys);
  writeKeyTrack(w, kChunkMorphKeys, n.morphKeys);
  w.close();
}

bool fits16(size_t n) { return n <= 0xFFFF; }

bool sceneFits(const ThreeDsWriterScene& scene) {
  if (!fits16(scene.objects.size()) || !fits16(scene.materials.size()) ||
      !fits16(scene.cameras.size()) || !fits16(scene.lights.size()) ||
      !fits16(scene.nodes.size()))
    return false;
  for (const ThreeDsWriterObject& o : scene.objects) {
    if (!fits16(o.vertices.size()) || !fits16(o.faces.size()) || o.uvs.size() > o.vertices.size())
      return false;
    for (const ThreeDsWriterFace& f : o.faces)
      if (f.a >= o.vertices.size() || f.b >= o.vertices.size() || f.c >= o.vertices.size())
        return false;
    for (const ThreeDsWriterFaceGroup& g : o.faceGroups) {
      if (!fits16(g.faces.size())) return false;
      for (uint16_t face : g.faces)
        if (face >= o.faces.size()) return false;
    }
  }
  for (const ThreeDsWriterNode& n : scene.nodes)
    if (!fits16(n.positionKeys.size()) || !fits16(n.rotationKeys.size()) ||
        !fits16(n.scaleKeys.size()) || !fits16(n.fovKeys.size()) || !fits16(n.rollKeys.size()) ||
        !fits16(n.morphKeys.size()))
      return false;
  return true;
}

}  // namespace

bool writeThreeDs(const ThreeDsWriterScene& scene, std::vector<uint8_t>& out) {
  if (!sceneFits(scene)) return false;
  ChunkWriter w(out);
  w.open(kChunkMain);
  w.open(kChunkFileVersion);
  w.u32(3);
  w.close();
  w.open(kChunkEditor);
  w.open(kChunkMeshVersion);
  w.u32(3);
  w.close();
  for (const ThreeDsWriterMaterial& m : scene.materials) writeMaterial(w, m);
  for (const ThreeDsWriterObject& o : scene.objects) writeObject(w, o);
  for (const ThreeDsWriterCamera& c : scene.cameras) writeCamera(w, c);
  for (const ThreeDsWriterLight& l : scene.lights) writeLight(w, l);
  w.close();
  if (scene.writeKeyframer) {
    w.open(kChunkKeyframer);
    w.open(kChunkFramesInfo);
    w.u32(scene.startFrame);
    w.u32(scene.endFrame);
    w.close();
    for (const ThreeDsWriterNode& n : scene.nodes) writeNode(w, n);
    w.close();
  }
  w.close();
  return true;
}
