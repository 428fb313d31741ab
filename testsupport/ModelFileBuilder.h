#pragma once

// Builds "L3DO" model files for the tests from a description in plain structs, laid out for a
// chosen version, so that one description yields the file of every version. Name references
// are written as the 32-bit writer stored them: an address 0x10000 + offset and the base
// 0x10000.

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace modelfile {

struct Bytes {
  std::vector<uint8_t> b;

  Bytes& u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Bytes& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  Bytes& f32(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return u32(v);
  }
  Bytes& vec3(float x, float y, float z) { return f32(x).f32(y).f32(z); }
  Bytes& str(const std::string& s) {
    u32(static_cast<uint32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& zeros(size_t n) {
    b.insert(b.end(), n, 0);
    return *this;
  }
  Bytes& raw(const std::vector<uint8_t>& more) {
    b.insert(b.end(), more.begin(), more.end());
    return *this;
  }
};

// A name reference into the owner's pool: offset and length, or none.
struct Ref {
  bool present = false;
  uint32_t offset = 0;
  uint32_t length = 0;
  uint32_t storedLength = 0;  // length word written for an absent reference
};
inline Ref ref(uint32_t offset, uint32_t length) { return {true, offset, length, 0}; }
inline void put(Bytes& o, const Ref& r) {
  if (r.present) {
    o.u32(0x10000 + r.offset).u32(0x10000).u32(r.length);
  } else {
    o.u32(0).u32(0x1234).u32(r.storedLength);
  }
}

struct Shader {
  uint32_t kind = 0;
  Ref texture, texture2;
  Ref partName, materialName;
  uint32_t blend = 0;
  float value = 0.0f;
  uint32_t extra = 0;
};

struct TexArea {
  Ref areaName, partName, materialName, textureName;
  float left = 0, top = 0, width = 0, height = 0;
};

struct Event {
  uint32_t type = 5;
  uint32_t frame = 0;
  uint32_t number = 0;  // soundNumber, effectNumber, SETCOLL value or GOFRAME target
  uint32_t groupIndex = 0;
  std::vector<uint32_t> choices;
  Ref name1, name2, name3, name4, name5, name6;
  uint32_t life = 0;
};

struct Records {
  std::vector<Shader> shaders;
  std::vector<TexArea> areas;
  std::vector<Event> events;
};

struct Corner {
  uint32_t point = 0, normal = 0, colour = 0, uv = 0;
};

struct Material {
  std::string name = "mat";
  uint32_t flags = 0;
  std::string texture;
  uint32_t primitiveType = 4;
  uint32_t primitiveCount = 0;
  std::vector<uint32_t> indices;
  std::vector<Corner> corners;
  std::vector<std::pair<uint32_t, uint32_t>> extraUVs;  // written from version 16
  bool writeExtraCount = true;
  uint32_t extraCountOverride = UINT32_MAX;
  std::vector<std::vector<float>> points;  // each {x, y, z}
  std::vector<std::vector<float>> normals;
  std::vector<float> pivot = {0, 0, 0};  // written from version 8
};

struct MapEntry {
  uint32_t index0 = 0, index1 = 0;
  float values[6] = {};
};

struct Map {
  std::string name;
  std::vector<MapEntry> entries;
};

struct Bone {
  std::string name;
  std::string weightMap;
  std::vector<float> pivot = {0, 0, 0};
  std::vector<float> secondPivot = {0, 0, 0};
  uint32_t flags = 0;  // written from version 15
  std::vector<Bone> children;
};

// A vertex of a mesh given in full: position and colour (A R G B); the weight goes to the first
// palette slot, the normal is +y.
struct MeshVertex {
  float x = 0, y = 0, z = 0;
  uint32_t colour = 0xFFFFFFFF;
};

struct Mesh {
  uint32_t material = 0;
  uint32_t vertexCount = 0;  // vertices written as their index in every float
  std::vector<MeshVertex> vertices;  // when not empty, written instead (vertexCount unused)
  uint32_t blendCount = 0;
  uint32_t packedCount = 0;  // written from version 16
  std::vector<uint8_t> indexBytes;
  uint32_t primitiveType = 4;
  uint32_t primitiveCount = 0;
  std::vector<uint32_t> palette;
};

struct Part {
  std::string name = "part";
  std::string pool;
  std::vector<uint32_t> colours;
  std::vector<std::pair<float, float>> uvs;
  std::vector<Material> materials;
  std::vector<Map> weightMaps, morphMaps;
  std::vector<Bone> bones;
  std::vector<Shader> shaders;
  std::vector<Mesh> meshes;  // written from version 2
};

struct GroupEntry {
  uint32_t part = 0;
  std::string pool;
  uint32_t parentPart = 0, parentBone = 0;
  std::vector<float> pivot = {0, 0, 0};
  std::vector<Shader> shaders;
};

struct Group {
  std::string name = "group";
  std::vector<GroupEntry> entries;
};

struct Sphere {
  uint32_t part = 0, bone = 0;
  std::vector<float> centre = {0, 0, 0};
  float radius = 1.0f;
};

struct Coll {
  std::string name = "coll", secondName;
  uint32_t type = 0;
  uint32_t flags = 0;
  std::vector<Sphere> spheres;
};

struct Key {
  uint32_t frame = 0, flags = 0;
  float values[10] = {};
};

struct Morph {
  uint32_t frame = 0, map = 0;
};

struct MorphGroup {
  std::string name;
  std::vector<Morph> morphs;
};

struct Motion {
  uint32_t part = 0, bone = 0;
  std::vector<Key> keys;
  std::vector<MorphGroup> morphGroups;
};

struct Anim {
  std::string name = "anim", pool;
  uint32_t flags = 0, endFrame = 0, loopFrame = 0, group = 0;
  Records records;
  std::vector<Motion> motions;
};

struct Model {
  uint32_t version = 16;
  std::string name = "model";
  std::string pool;
  Records records;
  std::vector<Part> parts;
  std::vector<Group> groups;
  std::vector<Coll> colls;
  std::vector<Anim> anims;
  // Old-version blocks: how many empty records each holds.
  uint32_t legacyCollisions = 0, legacyVersion6 = 0, legacyMotions = 0;
  std::vector<uint8_t> trailer;
};

// A part with the given bone tree and nothing else.
inline Part partWithBones(std::string name, std::vector<Bone> bones) {
  Part p;
  p.name = std::move(name);
  p.bones = std::move(bones);
  return p;
}

inline Bone bone(std::string name, std::vector<Bone> children = {}) {
  Bone b;
  b.name = std::move(name);
  b.children = std::move(children);
  return b;
}

void writeShaders(Bytes& o, const std::vector<Shader>& list, uint32_t v);
void writeRecords(Bytes& o, const Records& r, uint32_t v);
std::vector<uint8_t> write(const Model& m);
// The file as stored: every byte combined with the low eight bits of its position.
std::vector<uint8_t> scrambled(std::vector<uint8_t> bytes);

}  // namespace modelfile
