#pragma once

// Resource names of the renderer: the base names of loaded 3D objects and "system" become NNIDs,
// stable handles by which the effect manager files each object's effects and a texture
// resolver finds its object's directory. An NNID is the address of its table entry; entries
// never move while the table grows and stay valid until the table is cleared (the renderer's
// release). Names are compared after lower-casing ASCII letters outside double-byte
// characters; null means none. Every misuse is fatal (lerrFatal).

#include <cstdint>
#include <memory>
#include <vector>

struct L3D_RENDERER_NNID {
  char name[264];  // lower-cased, at most 263 bytes
  uint32_t length;
  uint32_t bucket;  // low 8 bits of the sum of the name's bytes
  L3D_RENDERER_NNID* previous;
  L3D_RENDERER_NNID* next;
};

// The renderer's table: entries in chunks of 32 that are never moved, and 256 bucket chains.
class L3DNnidTable {
 public:
  static constexpr uint32_t kChunk = 32;

  L3D_RENDERER_NNID* Append();
  L3D_RENDERER_NNID*& Bucket(uint32_t bucket) { return m_buckets[bucket]; }
  uint32_t GetCount() const { return m_count; }
  void Clear();

 private:
  uint32_t m_count = 0;
  std::vector<std::unique_ptr<L3D_RENDERER_NNID[]>> m_chunks;
  L3D_RENDERER_NNID* m_buckets[256] = {};
};

namespace LResManager {

// Registers a new name. An empty name, a name that lower-cases to nothing and a name already
// registered are fatal.
L3D_RENDERER_NNID* AddNnid(L3DNnidTable& table, const char* name);
// Null when the name is not registered.
L3D_RENDERER_NNID* _FindNnid(const char* name, L3DNnidTable& table);
// Fatal when the name is not registered.
L3D_RENDERER_NNID* GetNnid(L3DNnidTable& table, const char* name);
// Fatal for a null NNID.
const char* GetNnidName(const L3D_RENDERER_NNID* nnid);

}  // namespace LResManager
