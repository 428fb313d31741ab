#pragma once

#include "testsupport/ModelFileBuilder.h"

namespace modelfile {

// A part with the given bones, one material "mat" (drawing with `texture` when one is named)
// and one triangle of three vertices.
inline Part trianglePart(std::string name, std::vector<Bone> bones, std::string texture = {}) {
  Part p = partWithBones(std::move(name), std::move(bones));
  Material mat;
  mat.name = "mat";
  mat.texture = std::move(texture);
  mat.corners = {{0, 0, 0, 0}};
  mat.points = {{0, 0, 0}};
  mat.normals = {{0, 1, 0}};
  p.materials = {mat};
  Mesh mesh;
  mesh.material = 0;
  mesh.vertexCount = 3;
  mesh.indexBytes = {0, 0, 1, 0, 2, 0};
  mesh.primitiveCount = 1;
  p.meshes = {mesh};
  return p;
}

// A part group holding the model's first part.
inline Group groupOfFirstPart(std::string name) {
  Group g;
  g.name = std::move(name);
  GroupEntry e;
  e.part = 1;
  g.entries = {e};
  return g;
}

// An animation of group 1 that holds the first part's bones (`bones` of them) at rest: a
// unit-scale, unrotated key at frame 0 and, with `restAtEnd`, another at the end frame.
inline Anim restAnim(const std::string& name, uint32_t end, uint32_t bones = 2,
                     bool restAtEnd = true) {
  Anim a;
  a.name = name;
  a.endFrame = end;
  a.loopFrame = 0;
  a.group = 1;
  for (uint32_t bone = 0; bone < bones; ++bone) {
    Motion m;
    m.part = 1;
    m.bone = bone;
    m.keys.resize(restAtEnd ? 2 : 1);
    m.keys.back().frame = restAtEnd ? end : 0;
    for (Key& k : m.keys) {
      k.values[6] = 1.0f;
      k.values[7] = k.values[8] = k.values[9] = 1.0f;
    }
    a.motions.push_back(m);
  }
  return a;
}

// One of everything the file can hold, for a given version.
inline Model fullModel(uint32_t version) {
  Model m;
  m.version = version;
  m.name = "robot";
  m.pool = "bodyarmtexA";
  Shader s;
  s.kind = 3;
  s.texture = ref(7, 4);
  s.partName = ref(0, 4);
  m.records.shaders = {s};
  TexArea area;
  area.areaName = ref(4, 3);
  area.width = 0.5f;
  m.records.areas = {area};
  Event e;
  e.type = 5;
  e.number = 30;
  e.frame = 12;
  m.records.events = {e};

  Part p = partWithBones("body", {bone("root", {bone("hand")})});
  p.colours = {0xFFFFFFFF};
  p.uvs = {{0, 0}};
  Material mat;
  mat.name = "skin";
  mat.texture = "skin.png";
  mat.flags = 1;
  mat.corners = {{0, 0, 0, 0}};
  mat.points = {{-2, 0, 0}, {4, 2, 2}};
  mat.normals = {{0, 1, 0}};
  mat.pivot = {7, 8, 9};
  p.materials = {mat};
  p.morphMaps = {Map{"m", {}}};
  Mesh mesh;
  mesh.vertexCount = 2;
  mesh.blendCount = 1;
  mesh.indexBytes = {0, 0, 1, 0};
  mesh.primitiveCount = 1;
  mesh.palette = {1, 2};
  p.meshes = {mesh};
  m.parts = {p};

  Group g;
  g.entries.resize(1);
  g.entries[0].part = 1;
  g.entries[0].parentPart = 1;
  g.entries[0].parentBone = 2;
  m.groups = {g};

  Coll c;
  c.type = 4;
  Sphere sphere;
  sphere.part = 1;
  sphere.bone = 1;
  sphere.radius = 3.0f;
  c.spheres = {sphere};
  m.colls = {c};

  Anim a;
  a.group = 1;
  a.endFrame = 60;
  a.loopFrame = 10;
  Motion root;
  root.part = 1;
  root.keys.resize(2);
  root.keys[1].frame = 60;
  Motion hand;
  hand.part = 1;
  hand.bone = 2;
  hand.morphGroups = {MorphGroup{"face", {Morph{5, 1}, Morph{6, 0}}}};
  a.motions = {root, hand};
  m.anims = {a};
  m.legacyCollisions = 2;
  m.legacyVersion6 = 2;
  m.legacyMotions = 2;
  return m;
}

// fullModel(16) as the engines load it without texture files: no texture, and its first
// animation, named `animation`, moving the part's second bone too (every bone of a part needs a
// motion of its own).
inline Model untexturedModel(const std::string& animation) {
  Model m = fullModel(16);
  m.anims[0].name = animation;
  Motion bone;
  bone.part = 1;
  bone.bone = 1;
  bone.keys.resize(1);
  m.anims[0].motions.push_back(bone);
  m.parts[0].materials[0].texture = "";
  return m;
}

}  // namespace modelfile
