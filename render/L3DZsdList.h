#pragma once

// The depth-sorted list: transparent geometry collected during a frame's 3D pass and drawn at
// its end from the farthest group to the nearest. Every element keeps its own copy of the
// vertices and indices, so callers may reuse their arrays at once. Neighbouring elements with
// the same draw callback and context are merged into one draw while the batch stays within the
// range of 16-bit indices.
//
// Groups and elements come from pools that only grow, and every scratch buffer is reused, so a
// frame allocates nothing once the pools have reached the frame's size.

#include "foundation/dbtl/DBuffer.h"
#include "render/L3DRendererFog.h"
#include "render/L3DRendererVertex.h"

#include <cstdint>
#include <memory>
#include <vector>

class L3DRenderer;

using L3DZsdDrawFunc = void (*)(L3DRenderer* renderer, const L3D_RENDERER_VERTEX* vertices,
                                uint32_t vertexCount, const uint16_t* indices,
                                uint32_t indexCount, void* context);

// Flag of an element description: draw the triangles in the order given.
constexpr uint32_t L3D_ZSD_KEEP_ORDER = 0x2;

// One element as a caller describes it (not stored).
struct L3D_RENDERER_ZSD_ELEMENTDESC {
  const L3D_RENDERER_ZSD_ELEMENTDESC* next = nullptr;
  uint32_t vertexCount = 0;
  const L3D_RENDERER_VERTEX* vertices = nullptr;
  // The same vertices with view-space positions; read only to sort triangles.
  const L3D_RENDERER_VERTEX* posed = nullptr;
  uint32_t indexCount = 0;
  const uint16_t* indices = nullptr;  // a triangle list
  L3DZsdDrawFunc draw = nullptr;
  void* context = nullptr;
  uint32_t flags = 0;
};

struct L3D_RENDERER_ZSD_GROUPDESC {
  float center[3] = {};  // view space
  const L3D_RENDERER_ZSD_ELEMENTDESC* first = nullptr;
};

struct _L3D_RENDERER_ZSD_REGISTELEMENT {
  _L3D_RENDERER_ZSD_REGISTELEMENT* next = nullptr;
  L3DZsdDrawFunc draw = nullptr;
  void* context = nullptr;
  uint32_t vertexCount = 0;
  dbtl::DBuffer<L3D_RENDERER_VERTEX, 256> vertices;
  uint32_t indexCount = 0;
  dbtl::DBuffer<uint16_t, 768> indices;
};

struct _L3D_RENDERER_ZSD_REGISTGROUP {
  _L3D_RENDERER_ZSD_REGISTGROUP* next = nullptr;
  float depth = 0.0f;  // squared distance of the centre from the eye
  L3DRendererFog fog;
  _L3D_RENDERER_ZSD_REGISTELEMENT* first = nullptr;
};

// Records handed out from chunks of N; a record goes back to the free stack and is reused.
template <class T, uint32_t N>
class L3DZsdPool {
 public:
  T* Pop() {
    if (m_free.empty()) {
      m_chunks.push_back(std::make_unique<T[]>(N));
      T* chunk = m_chunks.back().get();
      for (uint32_t i = 0; i < N; ++i) m_free.push_back(&chunk[N - 1 - i]);
    }
    T* record = m_free.back();
    m_free.pop_back();
    return record;
  }
  void Push(T* record) { m_free.push_back(record); }
  void Release() {
    m_free.clear();
    m_free.shrink_to_fit();
    m_chunks.clear();
    m_chunks.shrink_to_fit();
  }
  uint32_t GetAllocated() const { return uint32_t(m_chunks.size()) * N; }

 private:
  std::vector<T*> m_free;
  std::vector<std::unique_ptr<T[]>> m_chunks;
};

class L3DZsdList {
 public:
  // Registers one group with its elements, recording the fog block in force.
  void Regist(const L3DRendererFog& fog, const L3D_RENDERER_ZSD_GROUPDESC& group);
  // Draws every group farthest first through its elements' callbacks, with each group's fog
  // written into fog while it is drawn and the caller's fog put back at the end; then empties
  // the list.
  void Draw(L3DRenderer* renderer, L3DRendererFog& fog);
  // The indices of a triangle list sorted farthest centroid first (unchanged with
  // L3D_ZSD_KEEP_ORDER or fewer than 3 indices; a last incomplete triangle is dropped). The
  // result stays valid until the next sort.
  const uint16_t* SortTriangles(const L3D_RENDERER_VERTEX* posed, const uint16_t* indices,
                                uint32_t indexCount, uint32_t flags, uint32_t& sortedCount);
  // Frees every pool and buffer; the list is empty afterwards.
  void Release();

  uint32_t GetGroupCount() const { return m_groupCount; }
  uint32_t GetAllocatedGroups() const { return m_groups.GetAllocated(); }
  uint32_t GetAllocatedElements() const { return m_elements.GetAllocated(); }

 private:
  struct Batch;
  void _Flush(L3DRenderer* renderer, L3DRendererFog& fog, const Batch& batch);
  void _Join(Batch& batch, const _L3D_RENDERER_ZSD_REGISTELEMENT& element);
  void _Empty();

  _L3D_RENDERER_ZSD_REGISTGROUP* m_head = nullptr;
  uint32_t m_groupCount = 0;
  L3DZsdPool<_L3D_RENDERER_ZSD_REGISTGROUP, 256> m_groups;
  L3DZsdPool<_L3D_RENDERER_ZSD_REGISTELEMENT, 512> m_elements;
  dbtl::DBuffer<_L3D_RENDERER_ZSD_REGISTGROUP*, 256> m_sortGroups;
  dbtl::DBuffer<float, 256> m_sortGroupKeys;
  dbtl::DBuffer<float, 256> m_triangleKeys;
  dbtl::DBuffer<uint16_t, 768> m_sorted;
  dbtl::DBuffer<L3D_RENDERER_VERTEX, 768> m_mergeVertices;
  dbtl::DBuffer<uint16_t, 2304> m_mergeIndices;
};
