// Drawing: renderers level by level, rects batched by texture and blend kind into the
// system's two work buffers and drawn as indexed triangle lists through the application's
// renderer.

#include "foundation/math/DetMath.h"
#include "foundation/math/LMat.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"
#include "render/sprite1/sprite1.h"

#include <utility>

namespace sprite1 {

namespace {

using namespace d3d9;

L3DDevice& deviceOf(const System* system) {
  return *system->config.renderer->GetDevice();
}

// The right-handed off-centre orthographic projection of the renderer's logical area: x from
// 0 to width, y from 0 at the top to height at the bottom, z from -1 to 1.
LMat orthoProjection(float width, float height) {
  const float left = 0.0f, right = width, bottom = height, top = 0.0f;
  const float zn = -1.0f, zf = 1.0f;
  LMat m{};
  m.m[0][0] = 2.0f / (right - left);
  m.m[1][1] = 2.0f / (top - bottom);
  m.m[2][2] = 1.0f / (zn - zf);
  m.m[3][0] = (left + right) / (left - right);
  m.m[3][1] = (top + bottom) / (bottom - top);
  m.m[3][2] = zn / (zn - zf);
  m.m[3][3] = 1.0f;
  return m;
}

struct Batch {
  L3DTexture* texture = nullptr;
  uint32_t vertices = 0;
  uint32_t indices = 0;
};

void flush(System* system, Batch& batch) {
  L3DDevice& device = deviceOf(system);
  device.SetStateTexture(0, batch.texture != nullptr ? batch.texture->texture : nullptr);
  device.ApplyState();
  device.GetDevice()->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, batch.vertices,
                                             batch.indices / 3, system->indices.get(),
                                             D3DFMT_INDEX16, system->vertices.get(),
                                             sizeof(L3D_RENDERER_VERTEX));
  device._ForgetStreamBindings();
  batch = Batch{};
}

void updatePositions(const Renderer* r, Rect* rect) {
  float x0, x1, y0, y1;
  const bool mirrorX = (rect->flags & SPRITE1_RECT_DRAW_REVERSE_X) != 0;
  const bool mirrorY = (rect->flags & SPRITE1_RECT_DRAW_REVERSE_Y) != 0;
  if (mirrorX) {
    x0 = static_cast<float>(r->width - rect->drawX - rect->drawWidth + rect->pivotX);
    x1 = static_cast<float>(r->width - rect->drawX + rect->pivotX);
  } else {
    x0 = static_cast<float>(rect->drawX - rect->pivotX);
    x1 = static_cast<float>(rect->drawX + rect->drawWidth - rect->pivotX);
  }
  if (mirrorY) {
    y0 = static_cast<float>(r->height - rect->drawY - rect->drawHeight + rect->pivotY);
    y1 = static_cast<float>(r->height - rect->drawY + rect->pivotY);
  } else {
    y0 = static_cast<float>(rect->drawY - rect->pivotY);
    y1 = static_cast<float>(rect->drawY + rect->drawHeight - rect->pivotY);
  }
  x0 -= r->hx;
  x1 -= r->hx;
  y0 -= r->hy;
  y1 -= r->hy;
  L3D_RENDERER_VERTEX* v = rect->vertices;
  v[0].x = x0, v[0].y = y0;
  v[1].x = x0, v[1].y = y1;
  v[2].x = x1, v[2].y = y0;
  v[3].x = x1, v[3].y = y1;
  for (int i = 0; i < 4; ++i) v[i].z = 0.0f;
  if (rect->rotation != 0.0f) {
    // The draw position: the pivot, seen from the corner the mirroring keeps at the origin.
    const float px = mirrorX ? x1 - static_cast<float>(rect->pivotX)
                             : x0 + static_cast<float>(rect->pivotX);
    const float py = mirrorY ? y1 - static_cast<float>(rect->pivotY)
                             : y0 + static_cast<float>(rect->pivotY);
    const float c = detmath::cos(rect->rotation);
    const float s = detmath::sin(rect->rotation);
    for (int i = 0; i < 4; ++i) {
      const float dx = v[i].x - px;
      const float dy = v[i].y - py;
      v[i].x = px + (dx * c + dy * s);
      v[i].y = py + (-dx * s + dy * c);
    }
  }
}

void updateMap(Rect* rect) {
  const float w = static_cast<float>(rect->imageWidth);
  const float h = static_cast<float>(rect->imageHeight);
  float uL = static_cast<float>(rect->mapX) / w;
  float uR = static_cast<float>(rect->mapX + rect->mapWidth) / w;
  float vT = static_cast<float>(rect->mapY) / h;
  float vB = static_cast<float>(rect->mapY + rect->mapHeight) / h;
  if (rect->flags & SPRITE1_RECT_MAP_REVERSE_X) std::swap(uL, uR);
  if (rect->flags & SPRITE1_RECT_MAP_REVERSE_Y) std::swap(vT, vB);
  L3D_RENDERER_VERTEX* v = rect->vertices;
  v[0].u = v[1].u = uL;
  v[2].u = v[3].u = uR;
  v[0].v = v[2].v = vT;
  v[1].v = v[3].v = vB;
}

}  // namespace

void setBlend(System* system, int32_t kind, bool force) {
  if (kind == system->blend && !force) return;
  system->blend = kind;
  L3DDevice& device = deviceOf(system);
  auto states = [&](uint32_t source, uint32_t destination, bool alphaTest) {
    device.SetStateRender(D3DRS_SRCBLEND, source);
    device.SetStateRender(D3DRS_DESTBLEND, destination);
    device.SetStateRender(D3DRS_ALPHATESTENABLE, alphaTest ? 1u : 0u);
    if (alphaTest) {
      device.SetStateRender(D3DRS_ALPHAREF, 0);
      device.SetStateRender(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    }
  };
  switch (kind) {
    case 0:
      states(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, true);
      break;
    case 1:
      states(D3DBLEND_SRCALPHA, D3DBLEND_ONE, true);
      break;
    case 2:
      states(D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, false);
      break;
    case 3:
      states(D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, false);
      break;
    default:
      break;  // an unknown kind keeps the states of the previous one
  }
}

void drawAll(System* system) {
  if (!system->owned) return;
  L3DDevice& device = deviceOf(system);
  device.ResetState();
  device.SetStateRender(D3DRS_ZENABLE, 0);
  device.SetStateTexStage(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device.SetStateRender(D3DRS_ALPHABLENDENABLE, 1);
  setBlend(system, 0, true);
  for (OMB_LIST_LINK* l = system->renderers.head.next; l != &system->renderers.head; l = l->next) {
    rendererDraw(static_cast<Renderer*>(ombListElement(&system->renderers, l)));
  }
}

void rendererDraw(Renderer* renderer) {
  System* system = renderer->owner;
  L3DRenderer& l3d = *system->config.renderer;
  l3d.SetTransform(l3d.GetIdentity(), l3d.GetIdentity(),
                   orthoProjection(static_cast<float>(renderer->width),
                                   static_cast<float>(renderer->height)));
  Batch batch;
  for (int32_t index = renderer->first; index >= 0; index = renderer->levels[index].next) {
    OMB_LIST& rects = renderer->levels[index].rects;
    for (OMB_LIST_LINK* l = rects.head.next; l != &rects.head; l = l->next) {
      Rect* rect = static_cast<Rect*>(ombListElement(&rects, l));
      if ((rect->flags & SPRITE1_RECT_ENABLE) == 0) continue;
      const bool other = rect->texture.Get() != batch.texture || rect->blend != system->blend;
      if ((other && batch.vertices != 0) || batch.vertices + 4 >= kWorkVertices ||
          batch.indices + 6 >= kWorkIndices) {
        flush(system, batch);
      }
      if (rect->flags & SPRITE1_RECT_DIRTY_DRAW) updatePositions(renderer, rect);
      if (rect->flags & SPRITE1_RECT_DIRTY_MAP) updateMap(rect);
      rect->flags &= ~(SPRITE1_RECT_DIRTY_DRAW | SPRITE1_RECT_DIRTY_MAP);
      batch.texture = rect->texture.Get();
      const uint16_t n = static_cast<uint16_t>(batch.vertices);
      for (int i = 0; i < 4; ++i) system->vertices[batch.vertices + i] = rect->vertices[i];
      const uint16_t six[6] = {n, uint16_t(n + 1), uint16_t(n + 2),
                               uint16_t(n + 2), uint16_t(n + 1), uint16_t(n + 3)};
      for (int i = 0; i < 6; ++i) system->indices[batch.indices + i] = six[i];
      batch.vertices += 4;
      batch.indices += 6;
      setBlend(system, rect->blend, false);
    }
  }
  if (batch.vertices != 0) flush(system, batch);
}

}  // namespace sprite1
