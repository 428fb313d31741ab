#include "render/L3DZsdList.h"

#include "foundation/lerr/lerr.h"
#include "render/L3DRadixSort.h"

#include <cstring>

namespace {

// A merged batch must stay addressable by 16-bit indices.
constexpr uint32_t kBatchVertexLimit = 65535;

// Indices beyond the element's vertices would make the sort and the draw read past its copy.
void checkIndices(const L3D_RENDERER_ZSD_ELEMENTDESC& d) {
  for (uint32_t i = 0; i < d.indexCount; ++i) {
    if (d.indices[i] >= d.vertexCount) {
      lerrFatal("[L3DRenderer::_RegistZsdElement] index %u is beyond the %u vertices",
                unsigned(d.indices[i]), unsigned(d.vertexCount));
    }
  }
}

}  // namespace

struct L3DZsdList::Batch {
  bool open = false;
  bool merged = false;  // the arrays are the merge buffers
  L3DZsdDrawFunc draw = nullptr;
  void* context = nullptr;
  uint32_t vertexCount = 0;
  const L3D_RENDERER_VERTEX* vertices = nullptr;
  uint32_t indexCount = 0;
  const uint16_t* indices = nullptr;
  L3DRendererFog fog;
};

void L3DZsdList::Regist(const L3DRendererFog& fog, const L3D_RENDERER_ZSD_GROUPDESC& desc) {
  _L3D_RENDERER_ZSD_REGISTGROUP* group = m_groups.Pop();
  const float* c = desc.center;
  group->depth = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  group->fog = fog;
  group->first = nullptr;
  group->next = m_head;
  m_head = group;
  ++m_groupCount;

  _L3D_RENDERER_ZSD_REGISTELEMENT* last = nullptr;
  for (const L3D_RENDERER_ZSD_ELEMENTDESC* d = desc.first; d != nullptr; d = d->next) {
    checkIndices(*d);
    _L3D_RENDERER_ZSD_REGISTELEMENT* element = m_elements.Pop();
    element->next = nullptr;
    element->draw = d->draw;
    element->context = d->context;
    element->vertexCount = d->vertexCount;
    element->vertices.Reserve(d->vertexCount);
    if (d->vertexCount != 0) {
      std::memcpy(element->vertices.GetData(), d->vertices,
                  sizeof(L3D_RENDERER_VERTEX) * d->vertexCount);
    }
    uint32_t count = 0;
    const uint16_t* sorted = SortTriangles(d->posed, d->indices, d->indexCount, d->flags, count);
    element->indexCount = count;
    element->indices.Reserve(count);
    if (count != 0) std::memcpy(element->indices.GetData(), sorted, sizeof(uint16_t) * count);
    if (last == nullptr) {
      group->first = element;
    } else {
      last->next = element;
    }
    last = element;
  }
}

const uint16_t* L3DZsdList::SortTriangles(const L3D_RENDERER_VERTEX* posed,
                                          const uint16_t* indices, uint32_t indexCount,
                                          uint32_t flags, uint32_t& sortedCount) {
  if ((flags & L3D_ZSD_KEEP_ORDER) || indexCount < 3) {
    sortedCount = indexCount;
    return indices;
  }
  const uint32_t triangles = indexCount / 3;
  m_triangleKeys.Reserve(triangles);
  float* keys = m_triangleKeys.GetData();
  for (uint32_t t = 0; t < triangles; ++t) {
    const L3D_RENDERER_VERTEX& p = posed[indices[t * 3]];
    const L3D_RENDERER_VERTEX& q = posed[indices[t * 3 + 1]];
    const L3D_RENDERER_VERTEX& r = posed[indices[t * 3 + 2]];
    const float x = p.x + q.x + r.x;
    const float y = p.y + q.y + r.y;
    const float z = p.z + q.z + r.z;
    keys[t] = x * x + y * y + z * z;
  }
  const uint32_t* ranks = l3dRadixSort(keys, triangles);
  sortedCount = triangles * 3;
  m_sorted.Reserve(sortedCount);
  uint16_t* out = m_sorted.GetData();
  for (uint32_t i = triangles; i-- > 0;) {
    std::memcpy(out, indices + ranks[i] * 3, sizeof(uint16_t) * 3);
    out += 3;
  }
  return m_sorted.GetData();
}

void L3DZsdList::Draw(L3DRenderer* renderer, L3DRendererFog& fog) {
  if (m_groupCount != 0) {
    m_sortGroups.Reserve(m_groupCount);
    m_sortGroupKeys.Reserve(m_groupCount);
    _L3D_RENDERER_ZSD_REGISTGROUP** groups = m_sortGroups.GetData();
    float* keys = m_sortGroupKeys.GetData();
    uint32_t n = 0;
    for (_L3D_RENDERER_ZSD_REGISTGROUP* g = m_head; g != nullptr; g = g->next) {
      groups[n] = g;
      keys[n] = g->depth;
      ++n;
    }
    const uint32_t* ranks = l3dRadixSort(keys, n);
    const L3DRendererFog saved = fog;
    Batch batch;
    // The list runs newest first and the sort keeps equal depths in list order, so walking the
    // ranks backwards draws equal depths in the order they were registered.
    for (uint32_t i = n; i-- > 0;) {
      const _L3D_RENDERER_ZSD_REGISTGROUP* group = groups[ranks[i]];
      for (const _L3D_RENDERER_ZSD_REGISTELEMENT* e = group->first; e != nullptr; e = e->next) {
        if (batch.open && e->draw == batch.draw && e->context == batch.context &&
            batch.vertexCount + e->vertexCount <= kBatchVertexLimit) {
          _Join(batch, *e);
          continue;
        }
        _Flush(renderer, fog, batch);
        batch = Batch{};
        batch.open = true;
        batch.draw = e->draw;
        batch.context = e->context;
        batch.vertexCount = e->vertexCount;
        batch.vertices = e->vertices.GetData();
        batch.indexCount = e->indexCount;
        batch.indices = e->indices.GetData();
        batch.fog = group->fog;
      }
    }
    _Flush(renderer, fog, batch);
    fog = saved;
  }
  _Empty();
}

void L3DZsdList::_Join(Batch& batch, const _L3D_RENDERER_ZSD_REGISTELEMENT& element) {
  if (!batch.merged) {
    m_mergeVertices.Reserve(batch.vertexCount);
    m_mergeIndices.Reserve(batch.indexCount);
    if (batch.vertexCount != 0) {
      std::memcpy(m_mergeVertices.GetData(), batch.vertices,
                  sizeof(L3D_RENDERER_VERTEX) * batch.vertexCount);
    }
    if (batch.indexCount != 0) {
      std::memcpy(m_mergeIndices.GetData(), batch.indices, sizeof(uint16_t) * batch.indexCount);
    }
    batch.merged = true;
  }
  m_mergeVertices.Reserve(batch.vertexCount + element.vertexCount);
  m_mergeIndices.Reserve(batch.indexCount + element.indexCount);
  uint16_t* indices = m_mergeIndices.GetData() + batch.indexCount;
  const uint16_t* from = element.indices.GetData();
  for (uint32_t i = 0; i < element.indexCount; ++i) {
    indices[i] = uint16_t(from[i] + batch.vertexCount);
  }
  if (element.vertexCount != 0) {
    std::memcpy(m_mergeVertices.GetData() + batch.vertexCount, element.vertices.GetData(),
                sizeof(L3D_RENDERER_VERTEX) * element.vertexCount);
  }
  batch.vertexCount += element.vertexCount;
  batch.indexCount += element.indexCount;
  batch.vertices = m_mergeVertices.GetData();
  batch.indices = m_mergeIndices.GetData();
}

void L3DZsdList::_Flush(L3DRenderer* renderer, L3DRendererFog& fog, const Batch& batch) {
  if (!batch.open || batch.vertexCount == 0 || batch.draw == nullptr) return;
  fog = batch.fog;
  batch.draw(renderer, batch.vertices, batch.vertexCount, batch.indices, batch.indexCount,
             batch.context);
}

void L3DZsdList::_Empty() {
  for (_L3D_RENDERER_ZSD_REGISTGROUP* g = m_head; g != nullptr;) {
    _L3D_RENDERER_ZSD_REGISTGROUP* next = g->next;
    for (_L3D_RENDERER_ZSD_REGISTELEMENT* e = g->first; e != nullptr;) {
      _L3D_RENDERER_ZSD_REGISTELEMENT* following = e->next;
      m_elements.Push(e);
      e = following;
    }
    g->first = nullptr;
    m_groups.Push(g);
    g = next;
  }
  m_head = nullptr;
  m_groupCount = 0;
}

void L3DZsdList::Release() {
  m_head = nullptr;
  m_groupCount = 0;
  m_groups.Release();
  m_elements.Release();
  m_sortGroups.Release();
  m_sortGroupKeys.Release();
  m_triangleKeys.Release();
  m_sorted.Release();
  m_mergeVertices.Release();
  m_mergeIndices.Release();
}
