#include "testsupport/ModelFileBuilder.h"

namespace modelfile {
namespace {

void vec(Bytes& o, const std::vector<float>& v) {
  for (float f : v) o.f32(f);
}

void writeShader(Bytes& o, const Shader& s, uint32_t v) {
  o.u32(s.kind);
  switch (s.kind) {
    case 0: o.zeros(32); break;
    case 1: o.zeros(32); put(o, s.texture); o.f32(0.5f); break;
    case 2: o.zeros(32); put(o, s.texture); o.f32(0.5f); o.zeros(12); break;
    case 3: put(o, s.texture); o.f32(0.5f); break;
    case 4: put(o, s.texture); o.f32(0.5f); put(o, s.texture2); o.f32(0.25f); break;
    case 5: put(o, s.texture); o.f32(0.5f); put(o, s.texture2); o.f32(0.25f); o.zeros(12); break;
    case 10: o.zeros(32); put(o, s.texture); put(o, s.texture2); break;
    default: break;  // an unknown kind: the reader stops here
  }
  put(o, s.partName);
  put(o, s.materialName);
  if (v >= 3) {
    o.u32(s.blend);
  } else {
    o.u8(static_cast<uint8_t>(s.blend));
  }
  o.f32(s.value);
  o.zeros(16);
  if (v >= 14) o.u32(s.extra);
}

void writeEvent(Bytes& o, const Event& e, uint32_t v) {
  o.u32(e.type);
  switch (e.type) {
    case 0: put(o, e.name1); put(o, e.name2); break;
    case 1:
      if (v >= 9) o.u32(e.groupIndex);
      o.u32(e.number);
      if (v >= 13) {
        o.u32(static_cast<uint32_t>(e.choices.size()));
        for (uint32_t c : e.choices) o.u32(c);
      }
      put(o, e.name1);
      put(o, e.name2);
      break;
    case 2:
    case 3:
      o.u32(e.number);
      put(o, e.name1);
      put(o, e.name2);
      o.vec3(1, 2, 3).f32(0).f32(0).f32(0).f32(1).vec3(1, 1, 1);
      put(o, e.name3);
      if (v >= 10) { put(o, e.name4); put(o, e.name5); }
      if (v >= 11) { put(o, e.name6); put(o, Ref()); }
      if (v >= 12) o.u32(e.life);
      break;
    case 4: put(o, e.name1); o.u32(e.number); break;
    case 5: o.u32(e.number); break;
    case 6:
      put(o, e.name1);
      put(o, e.name2);
      o.u8(1).f32(0.1f).f32(0.2f).u8(0).f32(0.3f).f32(0.4f).u32(5).u32(6).u8(1);
      o.f32(0.5f).f32(0.6f).f32(0.7f).f32(0.8f);
      break;
    default: break;
  }
  o.u32(e.frame);
}

void writeMaterial(Bytes& o, const Material& m, uint32_t v) {
  o.str(m.name).u32(m.flags).str(m.texture).u32(m.primitiveType).u32(m.primitiveCount);
  o.u32(static_cast<uint32_t>(m.indices.size()));
  for (uint32_t i : m.indices) o.u32(i);
  o.u32(static_cast<uint32_t>(m.corners.size()));
  for (const Corner& c : m.corners) o.u32(c.point).u32(c.normal).u32(c.colour).u32(c.uv);
  if (v >= 16) {
    const uint32_t n = m.extraCountOverride != UINT32_MAX
                           ? m.extraCountOverride
                           : static_cast<uint32_t>(m.extraUVs.size());
    o.u32(n);
    for (const auto& e : m.extraUVs) o.u32(e.first).u32(e.second);
  }
  o.u32(static_cast<uint32_t>(m.points.size()));
  for (const auto& p : m.points) vec(o, p);
  o.u32(static_cast<uint32_t>(m.normals.size()));
  for (const auto& p : m.normals) vec(o, p);
  if (v >= 8) vec(o, m.pivot);
}

void writeMaps(Bytes& o, const std::vector<Map>& maps) {
  o.u32(static_cast<uint32_t>(maps.size()));
  for (const Map& m : maps) {
    o.str(m.name).u32(static_cast<uint32_t>(m.entries.size()));
    for (const MapEntry& e : m.entries) {
      o.u32(e.index0).u32(e.index1);
      for (float f : e.values) o.f32(f);
    }
  }
}

void writeBones(Bytes& o, const std::vector<Bone>& bones, uint32_t v) {
  o.u32(static_cast<uint32_t>(bones.size()));
  for (const Bone& b : bones) {
    o.str(b.name).str(b.weightMap);
    vec(o, b.pivot);
    vec(o, b.secondPivot);
    if (v >= 15) o.u32(b.flags);
    writeBones(o, b.children, v);
  }
}

void writeMesh(Bytes& o, const Mesh& m, uint32_t v) {
  if (!m.vertices.empty()) {
    o.u32(m.material).u32(static_cast<uint32_t>(m.vertices.size()));
    for (const MeshVertex& v : m.vertices) {
      o.f32(v.x).f32(v.y).f32(v.z).f32(1.0f).f32(0.0f).f32(0.0f).f32(0.0f);
      o.u8(1).u8(0).u8(0).u8(0);
      o.f32(0.0f).f32(1.0f).f32(0.0f);
      o.u32(v.colour).f32(0.5f).f32(0.25f);
    }
  } else {
    o.u32(m.material).u32(m.vertexCount);
  }
  for (uint32_t i = 0; i < (m.vertices.empty() ? m.vertexCount : 0); ++i) {
    for (int f = 0; f < 7; ++f) o.f32(static_cast<float>(i));
    o.u8(1).u8(0).u8(0).u8(0);
    for (int f = 0; f < 3; ++f) o.f32(static_cast<float>(i));
    o.u32(0xFF000000u | i).f32(0.5f).f32(0.25f);
  }
  o.u32(m.blendCount);
  if (v >= 16) {
    o.u32(m.packedCount);
    for (uint32_t i = 0; i < m.packedCount; ++i) o.zeros(72);
  }
  o.u32(static_cast<uint32_t>(m.indexBytes.size()));
  o.b.insert(o.b.end(), m.indexBytes.begin(), m.indexBytes.end());
  o.u32(m.primitiveType).u32(m.primitiveCount);
  o.u32(static_cast<uint32_t>(m.palette.size()));
  for (uint32_t p : m.palette) o.u32(p);
}

void writePart(Bytes& o, const Part& p, uint32_t v) {
  o.str(p.name).str(p.pool);
  o.u32(static_cast<uint32_t>(p.colours.size()));
  for (uint32_t c : p.colours) o.u32(c);
  o.u32(static_cast<uint32_t>(p.uvs.size()));
  for (const auto& uv : p.uvs) o.f32(uv.first).f32(uv.second);
  o.u32(static_cast<uint32_t>(p.materials.size()));
  for (const Material& m : p.materials) writeMaterial(o, m, v);
  writeMaps(o, p.weightMaps);
  writeMaps(o, p.morphMaps);
  writeBones(o, p.bones, v);
  writeShaders(o, p.shaders, v);
  if (v >= 2) {
    o.u32(static_cast<uint32_t>(p.meshes.size()));
    for (const Mesh& m : p.meshes) writeMesh(o, m, v);
  }
}

void writeAnim(Bytes& o, const Anim& a, uint32_t v) {
  o.str(a.name).str(a.pool).u32(a.flags).u32(a.endFrame).u32(a.loopFrame).u32(a.group);
  writeRecords(o, a.records, v);
  o.u32(static_cast<uint32_t>(a.motions.size()));
  for (const Motion& m : a.motions) {
    o.u32(m.part).u32(m.bone).u32(static_cast<uint32_t>(m.keys.size()));
    for (const Key& k : m.keys) {
      o.u32(k.frame).u32(k.flags);
      for (float f : k.values) o.f32(f);
    }
    o.u32(static_cast<uint32_t>(m.morphGroups.size()));
    for (const MorphGroup& g : m.morphGroups) {
      o.str(g.name).u32(static_cast<uint32_t>(g.morphs.size()));
      for (const Morph& mo : g.morphs) o.u32(mo.frame).u32(mo.map);
    }
  }
}

}  // namespace

void writeShaders(Bytes& o, const std::vector<Shader>& list, uint32_t v) {
  o.u32(static_cast<uint32_t>(list.size()));
  for (const Shader& s : list) writeShader(o, s, v);
}

void writeRecords(Bytes& o, const Records& r, uint32_t v) {
  writeShaders(o, r.shaders, v);
  o.u32(static_cast<uint32_t>(r.areas.size()));
  for (const TexArea& a : r.areas) {
    put(o, a.areaName);
    put(o, a.partName);
    put(o, a.materialName);
    put(o, a.textureName);
    o.f32(a.left).f32(a.top).f32(a.width).f32(a.height);
  }
  o.u32(static_cast<uint32_t>(r.events.size()));
  for (const Event& e : r.events) writeEvent(o, e, v);
}

std::vector<uint8_t> write(const Model& m) {
  const uint32_t v = m.version;
  Bytes o;
  o.u32(0x4F44334C).u32(v).str(m.name).str(m.pool);
  if (v == 0) o.u32(0xDEADBEEF);
  writeRecords(o, m.records, v);
  o.u32(static_cast<uint32_t>(m.parts.size()));
  for (const Part& p : m.parts) writePart(o, p, v);
  o.u32(static_cast<uint32_t>(m.groups.size()));
  for (const Group& g : m.groups) {
    o.str(g.name).u32(static_cast<uint32_t>(g.entries.size()));
    for (const GroupEntry& e : g.entries) {
      o.u32(e.part).str(e.pool).u32(e.parentPart).u32(e.parentBone);
      vec(o, e.pivot);
      writeShaders(o, e.shaders, v);
    }
  }
  if (v >= 4) {
    o.u32(static_cast<uint32_t>(m.colls.size()));
    for (const Coll& c : m.colls) {
      o.str(c.name).str(c.secondName).u32(c.type).u32(c.flags);
      o.u32(static_cast<uint32_t>(c.spheres.size()));
      for (const Sphere& s : c.spheres) {
        o.u32(s.part).u32(s.bone);
        vec(o, s.centre);
        if (v == 5 || v == 6) {
          o.zeros(12);
        } else {
          o.f32(s.radius);
        }
      }
    }
  } else {
    o.u32(m.legacyCollisions);
    for (uint32_t i = 0; i < m.legacyCollisions; ++i) {
      o.u32(1).f32(2).str("a").str("b").u32(3).u32(4).u32(5).zeros(12);
    }
  }
  if (v == 6) {
    o.u32(m.legacyVersion6);
    for (uint32_t i = 0; i < m.legacyVersion6; ++i) {
      // Items of kinds 1, 2 and 0: each kind's tail length differs.
      o.str("a").str("b").u32(7).u32(3);
      for (uint32_t kind : {1u, 2u, 0u}) {
        o.u32(kind).zeros(12 + 16 + 24);
        if (kind == 1) o.zeros(12);
        if (kind == 2) o.zeros(4);
      }
    }
  }
  if (v <= 6) {
    o.u32(m.legacyMotions);
    for (uint32_t i = 0; i < m.legacyMotions; ++i) {
      o.str("a").str("b").u32(1).zeros(316);
      // A tree of one node with one child.
      o.u32(1).u32(0).u32(0).u32(0).u32(1).u32(0).u32(0).u32(0).u32(0);
      o.u32(1).zeros(304).u32(2).zeros(24);
    }
  }
  o.u32(static_cast<uint32_t>(m.anims.size()));
  for (const Anim& a : m.anims) writeAnim(o, a, v);
  o.raw(m.trailer);
  return o.b;
}

std::vector<uint8_t> scrambled(std::vector<uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= static_cast<uint8_t>(i & 0xFF);
  return bytes;
}

}  // namespace modelfile
