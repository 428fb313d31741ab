// Effect drawing: every drawn part becomes triangles in view space, coloured with its final
// colour, either batched by texture and blend mode straight to the device or handed to the
// renderer's depth-sorted list one effect at a time.

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/effect/L3DEffectManager.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"

#include <array>

using namespace d3d9;

namespace {

// 16-bit indices address at most this many vertices in one draw call.
constexpr size_t kBatchVertexMax = 65536;
constexpr size_t kBatchIndexMax = 65535;
constexpr uint32_t kZsdChunk = 64;

const uint16_t kQuad[6] = {0, 1, 2, 2, 1, 3};
const uint16_t kStrips[24] = {0, 1, 2, 2, 1, 3, 2, 3, 4,  4, 3, 5,
                              6, 7, 8, 8, 7, 9, 8, 9, 10, 10, 9, 11};

constexpr std::array<uint16_t, 72> makeGrids() {
  constexpr uint16_t grid[24] = {0, 1, 2, 2, 1, 3, 2, 3, 4, 4, 3, 5,
                                 1, 6, 3, 3, 6, 7, 3, 7, 5, 5, 7, 8};
  std::array<uint16_t, 72> out{};
  for (uint16_t g = 0; g < 3; ++g) {
    for (uint16_t i = 0; i < 24; ++i) out[g * 24 + i] = static_cast<uint16_t>(g * 9 + grid[i]);
  }
  return out;
}
constexpr std::array<uint16_t, 72> kGrids = makeGrids();

constexpr std::array<uint16_t, 402> makeStrip() {
  std::array<uint16_t, 402> out{};
  for (uint16_t k = 0; k < 67; ++k) {
    const uint16_t b = static_cast<uint16_t>(2 * k);
    const uint16_t row[6] = {b, uint16_t(b + 1), uint16_t(b + 2), uint16_t(b + 2), uint16_t(b + 1),
                             uint16_t(b + 3)};
    for (uint16_t i = 0; i < 6; ++i) out[k * 6 + i] = row[i];
  }
  return out;
}
constexpr std::array<uint16_t, 402> kStrip = makeStrip();

uint32_t diffuse(const float colour[4]) {
  return l3dEffectColourByte(colour[3]) << 24 | l3dEffectColourByte(colour[0]) << 16 |
         l3dEffectColourByte(colour[1]) << 8 | l3dEffectColourByte(colour[2]);
}

// Appends a vertex at p transformed by t, with a colour and a texture coordinate.
void put(std::vector<L3D_RENDERER_VERTEX>& out, const LMat& t, const float p[3], uint32_t colour,
         float u, float v) {
  L3D_RENDERER_VERTEX& vertex = out.emplace_back();
  float q[3];
  vec3TransformCoord(t, p, q);
  vertex.x = q[0];
  vertex.y = q[1];
  vertex.z = q[2];
  vertex.colour = colour;
  vertex.u = u;
  vertex.v = v;
}

struct Rect {
  float u0, v0, u1, v1;
  float U(float s) const { return s == 0.5f ? (u0 + u1) * 0.5f : u0 + (u1 - u0) * s; }
  float V(float t) const { return t == 0.5f ? (v0 + v1) * 0.5f : v0 + (v1 - v0) * t; }
};

// The plane a built-in shape's point lies in, from (s, t) and the pivot.
enum class Plane { Z, X, Ground, Y };

void putShape(std::vector<L3D_RENDERER_VERTEX>& out, const LMat& t, Plane plane,
              const float (*st)[2], uint32_t count, const L3D_EFFECT_IMAGE& image,
              uint32_t colour) {
  const Rect rect{image.u0, image.v0, image.u1, image.v1};
  for (uint32_t i = 0; i < count; ++i) {
    const float s = st[i][0];
    const float tt = st[i][1];
    float p[3];
    switch (plane) {
      case Plane::Z:
        p[0] = s - image.cx, p[1] = image.cy - tt, p[2] = 0.0f;
        break;
      case Plane::X:
        p[0] = 0.0f, p[1] = image.cy - tt, p[2] = s - image.cx;
        break;
      case Plane::Ground:
        p[0] = s - image.cx, p[1] = 0.0f, p[2] = tt - image.cy;
        break;
      case Plane::Y:
        p[0] = image.cy - tt, p[1] = 0.0f, p[2] = s - image.cx;
        break;
    }
    put(out, t, p, colour, rect.U(s), rect.V(tt));
  }
}

const float kQuadST[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
const float kStripST[6][2] = {{0, 0}, {0, 1}, {0.5f, 0}, {0.5f, 1}, {1, 0}, {1, 1}};
const float kGridST[9][2] = {{0, 0},    {0, 0.5f}, {0.5f, 0}, {0.5f, 0.5f}, {1, 0},
                             {1, 0.5f}, {0, 1},    {0.5f, 1}, {1, 1}};

struct BlendStates {
  bool zwriteOff;
  uint32_t src, dest, srcAlpha, destAlpha;
  uint32_t alphaFunc;  // 0: the reset state (no alpha test)
  uint32_t alphaRef;
};

const BlendStates kBlends[L3D_EFFECT_BLEND_COUNT] = {
    {true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA,
     D3DCMP_GREATER, 0},
    {true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLEND_ONE, D3DCMP_GREATER, 0},
    {true, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_INVDESTCOLOR, D3DBLEND_INVSRCALPHA, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_DESTCOLOR, D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {false, D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLEND_ZERO, D3DBLEND_ZERO, D3DCMP_GREATEREQUAL, 255},
    {false, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA,
     D3DCMP_GREATER, 0},
    {true, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_DESTCOLOR, D3DBLEND_SRCALPHA, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLEND_ONE, D3DBLEND_ONE, 0, 0},
};

bool keepsOrder(uint32_t blend) {
  return blend == 1 || blend == 6 || blend == 7 || blend == 8 || blend == 11;
}

}  // namespace

uint32_t l3dEffectColourByte(float channel) {
  if (channel >= 1.0f) return 255;
  if (!(channel > 0.0f)) return 0;  // NaN too
  return static_cast<uint32_t>(channel * 255.0f + 0.5f);
}

bool L3DEffectManager::_BuildPartVertex(const LMat& view, uint32_t& indexCount,
                                        std::vector<L3D_RENDERER_VERTEX>& vertices,
                                        uint32_t& firstVertex, const uint16_t*& indices,
                                        const L3D_EFFECT_WORKPART& part,
                                        const L3D_EFFECT_IMAGE& image) const {
  firstVertex = static_cast<uint32_t>(vertices.size());
  LMat t;
  LMat::Mul(part.world, view, t);
  const uint32_t colour = diffuse(part.finalColour);
  const int32_t model = part.model;
  if (model >= 0) {
    if (static_cast<uint32_t>(model) >= m_prop.modelCount) {
      lerrFatal(lerrText(u"[L3DEffectManager::Draw] 未対応のモデル(%d)").c_str(), model);
    }
    const L3D_EFFECT_MODEL& m = m_prop.models[static_cast<uint32_t>(model)];
    const Rect rect{image.u0, image.v0, image.u1, image.v1};
    for (uint32_t i = 0; i < m.vertexCount; ++i) {
      const L3D_EFFECT_MODELVERTEX& mv = m.vertices[i];
      float c[4];
      for (int k = 0; k < 4; ++k) c[k] = mv.color[k] * part.finalColour[k];
      const float p[3] = {mv.x, mv.y, mv.z};
      put(vertices, t, p, diffuse(c), rect.u0 + (rect.u1 - rect.u0) * mv.s,
          rect.v0 + (rect.v1 - rect.v0) * mv.t);
    }
    indexCount = m.indexCount;
    indices = m.indices.Get();
    return true;
  }
  switch (model) {
    case -1:
      putShape(vertices, t, Plane::Z, kQuadST, 4, image, colour);
      break;
    case -6:
      putShape(vertices, t, Plane::X, kQuadST, 4, image, colour);
      break;
    case -7:
      putShape(vertices, t, Plane::Ground, kQuadST, 4, image, colour);
      break;
    case -2:
      putShape(vertices, t, Plane::Z, kStripST, 6, image, colour);
      putShape(vertices, t, Plane::X, kStripST, 6, image, colour);
      indexCount = 24;
      indices = kStrips;
      return true;
    case -3:
      putShape(vertices, t, Plane::Z, kGridST, 9, image, colour);
      putShape(vertices, t, Plane::X, kGridST, 9, image, colour);
      putShape(vertices, t, Plane::Y, kGridST, 9, image, colour);
      indexCount = 72;
      indices = kGrids.data();
      return true;
    case -4: {
      // Sb x R x (view's orientation transposed) x (translation to the part) x view: the quad
      // faces the camera and keeps only the part's own turn in the screen plane.
      const LMat& rootScale = part.root->scale;
      LMat b;
      b.SetScaling(rootScale.m[0][0] * part.scale.x, rootScale.m[1][1] * part.scale.y,
                   rootScale.m[2][2] * part.scale.z);
      LMat::Mul(b, part.rotationMatrix, b);
      LMat vt;
      vt.SetIdentity();
      for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) vt.m[r][c] = view.m[c][r];
      }
      LMat::Mul(b, vt, b);
      const float origin[3] = {0.0f, 0.0f, 0.0f};
      float at[3];
      vec3TransformCoord(part.world, origin, at);
      LMat tp;
      tp.SetTranslation(at[0], at[1], at[2]);
      LMat::Mul(b, tp, b);
      LMat::Mul(b, view, b);
      putShape(vertices, b, Plane::Z, kQuadST, 4, image, colour);
      break;
    }
    case -5: {
      if (!_BuildTrail(view, vertices, indexCount, part, image)) return false;
      indices = kStrip.data();
      return true;
    }
    default:
      lerrFatal(lerrText(u"[L3DEffectManager::Draw] 未対応のモデル(%d)").c_str(), model);
  }
  indexCount = 6;
  indices = kQuad;
  return true;
}

namespace {

// One batch to the device: the vertices are in view space already.
void drawBatch(L3DRenderer& renderer, const L3D_RENDERER_VERTEX* vertices, uint32_t vertexCount,
               const uint16_t* indices, uint32_t indexCount, const L3D_EFFECT_BATCHKEY& key) {
  if (!renderer.GetDevice()) return;
  L3DDevice& d = *renderer.GetDevice();
  d.ResetState();
  d.SetStateRender(D3DRS_CULLMODE, D3DCULL_NONE);
  d.SetStateRender(D3DRS_ALPHABLENDENABLE, TRUE);
  d.SetStateRender(D3DRS_SEPARATEALPHABLENDENABLE, TRUE);
  d.SetFVF(L3D_RENDERER_FVF);
  renderer.SetTransform(renderer.GetIdentity(), renderer.GetIdentity(), renderer.GetProjection());
  const BlendStates& b = kBlends[key.blend];
  if (b.zwriteOff) d.SetStateRender(D3DRS_ZWRITEENABLE, FALSE);
  d.SetStateRender(D3DRS_SRCBLEND, b.src);
  d.SetStateRender(D3DRS_DESTBLEND, b.dest);
  d.SetStateRender(D3DRS_SRCBLENDALPHA, b.srcAlpha);
  d.SetStateRender(D3DRS_DESTBLENDALPHA, b.destAlpha);
  if (b.alphaFunc != 0) {
    d.SetStateRender(D3DRS_ALPHATESTENABLE, TRUE);
    d.SetStateRender(D3DRS_ALPHAFUNC, b.alphaFunc);
    d.SetStateRender(D3DRS_ALPHAREF, b.alphaRef);
  }
  d.SetStateTexture(0, key.texture);
  d.ApplyState();
  d.GetDevice()->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, vertexCount, indexCount / 3,
                                        indices, D3DFMT_INDEX16, vertices,
                                        sizeof(L3D_RENDERER_VERTEX));
  d._ForgetStreamBindings();
}

void checkBlend(const L3D_EFFECT_BATCHKEY& key) {
  if (key.blend >= L3D_EFFECT_BLEND_COUNT) {
    lerrFatal(lerrText(u"[L3DEffectManager::Draw] 未対応のblend(%d)").c_str(),
              static_cast<int>(key.blend));
  }
}

}  // namespace

void L3DEffectManager::_FlushBatch(const L3D_RENDERER_VERTEX* vertices, uint32_t vertexCount,
                                   const uint16_t* indices, uint32_t indexCount,
                                   const L3D_EFFECT_BATCHKEY& key) {
  checkBlend(key);
  if (m_observer != nullptr) m_observer->OnDraw(key, vertices, vertexCount, indices, indexCount);
  if (m_renderer != nullptr) drawBatch(*m_renderer, vertices, vertexCount, indices, indexCount, key);
}

void L3DEffectManager::_FlushZsd(L3DRenderer* renderer, const L3D_RENDERER_VERTEX* vertices,
                                 uint32_t vertexCount, const uint16_t* indices,
                                 uint32_t indexCount, void* context) {
  const auto& key = *static_cast<const L3D_EFFECT_BATCHKEY*>(context);
  // The renderer's own manager, when it is this class, tells its observer too.
  auto* manager = dynamic_cast<L3DEffectManager*>(renderer->GetEffectManager().Get());
  if (manager != nullptr && manager->m_renderer == renderer) {
    manager->_FlushBatch(vertices, vertexCount, indices, indexCount, key);
    return;
  }
  checkBlend(key);
  drawBatch(*renderer, vertices, vertexCount, indices, indexCount, key);
}

void L3DEffectManager::Draw(bool zsorted) {
  if (m_renderer == nullptr) return;
  if (zsorted) {
    _DrawZsorted();
  } else {
    _DrawBatched();
  }
}

void L3DEffectManager::_DrawBatched() {
  const LMat& view = m_renderer->GetView();
  std::vector<L3D_RENDERER_VERTEX>& vertices = m_batchVertices;
  std::vector<uint16_t>& indices = m_batchIndices;
  vertices.clear();
  indices.clear();
  const L3D_EFFECT_BATCHKEY* current = nullptr;
  for (L3D_EFFECT_WORKROOT* root = m_playing; root != nullptr; root = root->next) {
    if ((root->holdFlags & L3D_EFFECT_HOLD_DRAW) != 0) continue;
    for (L3D_EFFECT_WORKPART* part = root->drawList; part != nullptr; part = part->drawNext) {
      if (part->image < 0 || static_cast<uint32_t>(part->image) >= m_prop.imageCount) continue;
      const L3D_EFFECT_IMAGE& image = m_prop.images[static_cast<uint32_t>(part->image)];
      const L3D_EFFECT_BATCHKEY* key = &m_prop.BatchKey(image);
      if (key != current) {
        if (!indices.empty()) {
          _FlushBatch(vertices.data(), static_cast<uint32_t>(vertices.size()), indices.data(),
                      static_cast<uint32_t>(indices.size()), *current);
        }
        current = key;
        vertices.clear();
        indices.clear();
      }
      uint32_t count = 0;
      uint32_t first = 0;
      const uint16_t* partIndices = nullptr;
      if (!_BuildPartVertex(view, count, vertices, first, partIndices, *part, image)) continue;
      // Split before the part when its indices or its vertices would leave the 16-bit range.
      if (indices.size() + count > kBatchIndexMax || vertices.size() > kBatchVertexMax) {
        if (!indices.empty()) {
          _FlushBatch(vertices.data(), first, indices.data(), static_cast<uint32_t>(indices.size()),
                      *current);
        }
        vertices.erase(vertices.begin(), vertices.begin() + first);
        indices.clear();
        first = 0;
      }
      for (uint32_t i = 0; i < count; ++i) {
        indices.push_back(static_cast<uint16_t>(partIndices[i] + first));
      }
    }
  }
  if (!indices.empty()) {
    _FlushBatch(vertices.data(), static_cast<uint32_t>(vertices.size()), indices.data(),
                static_cast<uint32_t>(indices.size()), *current);
  }
}

void L3DEffectManager::_DrawZsorted() {
  const LMat& view = m_renderer->GetView();
  for (L3D_EFFECT_WORKROOT* root = m_playing; root != nullptr; root = root->next) {
    if ((root->holdFlags & L3D_EFFECT_HOLD_DRAW) != 0) continue;
    uint32_t used = 0;
    for (L3D_EFFECT_WORKPART* part = root->drawList; part != nullptr; part = part->drawNext) {
      if (part->image < 0 || static_cast<uint32_t>(part->image) >= m_prop.imageCount) continue;
      const L3D_EFFECT_IMAGE& image = m_prop.images[static_cast<uint32_t>(part->image)];
      if (used == m_zsdRecords.size()) {
        m_zsdChunks.push_back(std::make_unique<_L3D_EFFECT_ZSDPART[]>(kZsdChunk));
        for (uint32_t i = 0; i < kZsdChunk; ++i) {
          _L3D_EFFECT_ZSDPART& record = m_zsdChunks.back()[i];
          record.element.draw = &L3DEffectManager::_FlushZsd;
          record.vertices.reserve(256);
          m_zsdRecords.push_back(&record);
        }
      }
      _L3D_EFFECT_ZSDPART& record = *m_zsdRecords[used++];
      record.vertices.clear();
      record.key = &m_prop.BatchKey(image);
      record.element.context = const_cast<L3D_EFFECT_BATCHKEY*>(record.key);
      record.element.flags = 1u | (keepsOrder(image.blend) ? L3D_ZSD_KEEP_ORDER : 0u);
      uint32_t count = 0;
      uint32_t first = 0;
      const uint16_t* partIndices = nullptr;
      if (!_BuildPartVertex(view, count, record.vertices, first, partIndices, *part, image)) {
        --used;
        continue;
      }
      record.element.indexCount = count;
      record.element.indices = partIndices;
      record.element.vertexCount = static_cast<uint32_t>(record.vertices.size());
      record.element.vertices = record.vertices.data();
      record.element.posed = record.vertices.data();
    }
    if (used == 0) continue;
    for (uint32_t i = 0; i < used; ++i) {
      m_zsdRecords[i]->element.next = i + 1 < used ? &m_zsdRecords[i + 1]->element : nullptr;
    }
    LMat t;
    LMat::Mul(root->rootPart.world, view, t);
    L3D_RENDERER_ZSD_GROUPDESC group;
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    vec3TransformCoord(t, origin, group.center);
    group.first = &m_zsdRecords[0]->element;
    m_renderer->_RegistZsdElement(group);
  }
}
