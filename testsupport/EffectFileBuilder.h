#pragma once

// Builds effect definition ("EFSD") and effect data ("EFDT") files for tests from plain
// structs. write() gives the plain little-endian bytes; stored files are those bytes scrambled
// by position (Scrambled in render/tests/MemoryPack.h).

#include <cstdint>
#include <cstring>
#include <vector>

namespace effectfile {

inline uint32_t bits(float value) {
  uint32_t out;
  std::memcpy(&out, &value, sizeof out);
  return out;
}

inline float real(uint32_t word) {
  float out;
  std::memcpy(&out, &word, sizeof out);
  return out;
}

struct Writer {
  std::vector<uint8_t> bytes;
  void u8(uint8_t v) { bytes.push_back(v); }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void f32(float v) { u32(bits(v)); }
};

struct Image {
  uint32_t texture = 0;
  float uv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  float pivot[2] = {0.5f, 0.5f};
  uint32_t unused[2] = {0, 0};
  float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  uint32_t blend = 0;
};

struct Vertex {
  float position[3] = {};
  float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float s = 0.0f;
  float t = 0.0f;
};

struct Model {
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
};

struct Prop {
  uint32_t magic = 0x44534645;
  uint32_t version = 0;
  std::vector<uint8_t> textures;  // option byte of each texture
  std::vector<Image> images;
  std::vector<Model> models;
};

inline std::vector<uint8_t> write(const Prop& p) {
  Writer w;
  w.u32(p.magic);
  w.u32(p.version);
  w.u32(static_cast<uint32_t>(p.textures.size()));
  for (uint8_t option : p.textures) w.u8(option);
  w.u32(static_cast<uint32_t>(p.images.size()));
  for (const Image& i : p.images) {
    w.u32(i.texture);
    for (float f : i.uv) w.f32(f);
    for (float f : i.pivot) w.f32(f);
    for (uint32_t u : i.unused) w.u32(u);
    for (float f : i.color) w.f32(f);
    w.u32(i.blend);
  }
  w.u32(static_cast<uint32_t>(p.models.size()));
  for (const Model& m : p.models) {
    w.u32(static_cast<uint32_t>(m.vertices.size()));
    for (const Vertex& v : m.vertices) {
      for (float f : v.position) w.f32(f);
      for (float f : v.color) w.f32(f);
      w.f32(v.s);
      w.f32(v.t);
    }
    w.u32(static_cast<uint32_t>(m.indices.size()));
    for (uint32_t index : m.indices) w.u32(index);
  }
  return w.bytes;
}

// An event as stored: frame, kind and the kind's values as raw words in file order.
struct Event {
  int32_t frame = 0;
  uint32_t kind = 0;
  std::vector<uint32_t> values;
};

struct Part {
  uint32_t flags = 0;
  std::vector<Event> events;
};

struct Root {
  uint32_t flags = 0;
  Part root;
  std::vector<Part> children;
};

struct Data {
  uint32_t magic = 0x54444645;
  uint32_t version = 6;
  std::vector<Root> roots;
};

inline void writePart(Writer& w, const Part& p) {
  w.u32(p.flags);
  w.u32(static_cast<uint32_t>(p.events.size()));
  for (const Event& e : p.events) {
    w.u32(static_cast<uint32_t>(e.frame));
    w.u32(e.kind);
    for (uint32_t v : e.values) w.u32(v);
  }
}

inline std::vector<uint8_t> write(const Data& d) {
  Writer w;
  w.u32(d.magic);
  w.u32(d.version);
  w.u32(static_cast<uint32_t>(d.roots.size()));
  for (const Root& r : d.roots) {
    w.u32(r.flags);
    writePart(w, r.root);
    w.u32(static_cast<uint32_t>(r.children.size()));
    for (const Part& c : r.children) writePart(w, c);
  }
  return w.bytes;
}

// How many values an event of the kind stores (kinds 0 to 44).
inline uint32_t valueCount(uint32_t kind, uint32_t version) {
  static const uint8_t counts[45] = {0, 2, 1, 3, 5, 5, 4, 0, 4, 4, 9, 8, 0, 3, 3,
                                     7, 6, 0, 3, 3, 7, 6, 0, 4, 4, 9, 8, 0, 2, 8,
                                     6, 6, 8, 5, 4, 4, 3, 2, 2, 3, 3, 3, 7, 6, 6};
  if (kind == 39 && version < 6) return 2;
  return counts[kind];
}

// A definition with two textures, two images and one triangle, and a data file whose roots
// hold one event of every kind with all values 0 (valid against that definition).
inline Prop sampleProp() {
  Prop p;
  p.textures = {0, 1};
  p.images.resize(2);
  p.images[1].texture = 1;
  p.images[1].blend = 11;
  p.models.resize(1);
  p.models[0].vertices.resize(3);
  p.models[0].indices = {0, 1, 2};
  return p;
}

inline Data sampleData(uint32_t version) {
  Data d;
  d.version = version;
  d.roots.resize(2);
  for (uint32_t kind = 0; kind <= 44; ++kind) {
    Part& part = kind % 2 == 0 ? d.roots[0].root : d.roots[1].root;
    part.events.push_back({static_cast<int32_t>(44 - kind), kind,
                           std::vector<uint32_t>(valueCount(kind, version), 0)});
  }
  d.roots[1].children.resize(2);
  d.roots[1].children[1].flags = 2;
  d.roots[1].children[0].events.push_back({3, 4, {0, 1, 2, 0, 9}});
  return d;
}

}  // namespace effectfile
