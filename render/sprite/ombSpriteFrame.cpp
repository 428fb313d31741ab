// One frame of a renderer: the update walk that derives every dirty sprite's world matrix and
// inherited attributes, and the drawing that turns visible sprites into quads collected in
// batches for the device.

#include "foundation/omb/ombLog.h"
#include "render/sprite/ombSprite.h"
#include "render/sprite/ombSpritePools.h"
#include "render/sprite/ombSpriteText.h"

#include <cmath>

namespace {

struct Quat {
  float x, y, z, w;
};

Quat multiply(const Quat& a, const Quat& b) {
  return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y + a.y * b.w + a.z * b.x - a.x * b.z,
          a.w * b.z + a.z * b.w + a.x * b.y - a.y * b.x,
          a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

// A × B for 4x3 affine matrices in row-vector form.
OmbSpriteMatrix multiply(const OmbSpriteMatrix& a, const OmbSpriteMatrix& b) {
  OmbSpriteMatrix r{};
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 3; ++col) {
      r.m[row][col] =
          a.m[row][0] * b.m[0][col] + a.m[row][1] * b.m[1][col] + a.m[row][2] * b.m[2][col];
    }
  }
  for (int col = 0; col < 3; ++col) {
    r.m[3][col] += b.m[3][col];
  }
  return r;
}

OmbSpriteMatrix localMatrix(const OmbSprite* s) {
  Quat q{0.0f, 0.0f, 0.0f, 1.0f};
  if (s->flags & OMB_SPRITE_ROTATE_Y) {
    q = multiply(q, Quat{0.0f, s->halfSin[1], 0.0f, s->halfCos[1]});
  }
  if (s->flags & OMB_SPRITE_ROTATE_X) {
    q = multiply(q, Quat{s->halfSin[0], 0.0f, 0.0f, s->halfCos[0]});
  }
  if (s->flags & OMB_SPRITE_ROTATE_Z) {
    q = multiply(q, Quat{0.0f, 0.0f, s->halfSin[2], s->halfCos[2]});
  }
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  OmbSpriteMatrix l{};
  const float rows[3][3] = {
      {1.0f - 2.0f * y * y - 2.0f * z * z, 2.0f * x * y + 2.0f * z * w, 2.0f * x * z - 2.0f * y * w},
      {2.0f * x * y - 2.0f * z * w, 1.0f - 2.0f * x * x - 2.0f * z * z, 2.0f * y * z + 2.0f * x * w},
      {2.0f * x * z + 2.0f * y * w, 2.0f * y * z - 2.0f * x * w, 1.0f - 2.0f * x * x - 2.0f * y * y}};
  const float rowScale[3] = {s->scaleX, s->scaleY, 0.0f};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      l.m[row][col] = rows[row][col] * rowScale[row];
    }
  }
  if (s->flags & OMB_SPRITE_TRANSFORM) {
    l = multiply(l, s->transform);
    l.m[3][0] += s->posX;
    l.m[3][1] += s->posY;
  } else {
    l.m[3][0] = s->posX;
    l.m[3][1] = s->posY;
    l.m[3][2] = 0.0f;
  }
  if (s->flags & OMB_SPRITE_REVERSE_X) {
    for (auto& row : l.m) {
      row[0] = -row[0];
      row[2] = -row[2];
    }
  }
  if (s->flags & OMB_SPRITE_REVERSE_Y) {
    for (auto& row : l.m) {
      row[1] = -row[1];
      row[2] = -row[2];
    }
  }
  return l;
}

void walk(OmbSprite* s, const OmbSpriteDerived& p, bool parentDirty) {
  s->derived.speed = s->animationSpeed * p.speed;
  if (parentDirty) {
    s->flags |= OMB_SPRITE_DIRTY;
  }
  if (s->flags & OMB_SPRITE_DIRTY) {
    s->flags &= ~OMB_SPRITE_QUAD_VALID;
    OmbSpriteDerived& d = s->derived;
    d.world = multiply(localMatrix(s), p.world);
    d.blend = s->blend != 0 ? s->blend : p.blend;
    if (s->alphaTest != 0) {
      d.alphaTest = s->alphaTest;
      d.threshold = s->threshold;
    } else {
      d.alphaTest = p.alphaTest;
      d.threshold = p.threshold;
    }
    d.scaling = s->scaling != 0 ? s->scaling : p.scaling;
    for (int i = 0; i < 4; ++i) {
      d.color[i] = s->color[i] * p.color[i];
    }
    OMB_LIST* hidden = &s->hiddenChildren;
    for (OMB_LIST_LINK* l = hidden->head.next; l != &hidden->head; l = l->next) {
      ombSpriteOf<OmbSprite>(hidden, l)->flags |= OMB_SPRITE_DIRTY;
    }
  }
  const bool dirty = (s->flags & OMB_SPRITE_DIRTY) != 0;
  OMB_LIST* shown = &s->shownChildren;
  OMB_LIST_LINK* link = shown->head.next;
  while (link != &shown->head) {
    OMB_LIST_LINK* next = link->next;
    walk(ombSpriteOf<OmbSprite>(shown, link), s->derived, dirty);
    link = next;
  }
  s->flags &= ~OMB_SPRITE_DIRTY;
}

void notImplemented() {
  ombLogPuts(OMB_LOG_ERROR, u"Error: Not Implemented.");
}

// The quad's device codes and vertices; false (after the error) for a value no device code
// exists for.
bool rebuildQuad(OmbSprite* s) {
  const OmbSpriteDerived& d = s->derived;
  const uint32_t blend = static_cast<uint32_t>(d.blend);
  const uint32_t alphaTest = static_cast<uint32_t>(d.alphaTest);
  const uint32_t scaling = static_cast<uint32_t>(d.scaling);
  if (blend > 9 || alphaTest > 5 || scaling > 2) {
    notImplemented();
    return false;
  }
  s->blendCode = blend <= 1 ? 0 : blend - 1;
  if (alphaTest <= 1) {
    s->alphaTestCode = 0;
    s->deviceThreshold = 0.0f;
  } else {
    s->alphaTestCode = alphaTest - 1;
    s->deviceThreshold = d.threshold;
  }
  s->filterCode = scaling == 1 ? 0 : 1;

  const OmbSpriteRect* r = s->rect;
  const float w = static_cast<float>(r->width);
  const float h = static_cast<float>(r->height);
  const float ox = static_cast<float>(r->originX);
  const float oy = static_cast<float>(r->originY);
  const float corners[4][2] = {{-ox, -oy}, {-ox, h - oy}, {w - ox, -oy}, {w - ox, h - oy}};
  float left = static_cast<float>(r->x);
  float right = static_cast<float>(r->x + r->width);
  float top = static_cast<float>(r->y);
  float bottom = static_cast<float>(r->y + r->height);
  if (s->flags & OMB_SPRITE_RECT_REVERSE_X) {
    std::swap(left, right);
  }
  if (s->flags & OMB_SPRITE_RECT_REVERSE_Y) {
    std::swap(top, bottom);
  }
  const float uv[4][2] = {{left, top}, {left, bottom}, {right, top}, {right, bottom}};
  const OmbSpriteMatrix& m = d.world;
  for (int i = 0; i < 4; ++i) {
    const float lx = corners[i][0];
    const float ly = corners[i][1];
    OmbSpriteVertex& v = s->quad[i];
    v.x = lx * m.m[0][0] + ly * m.m[1][0] + m.m[3][0];
    v.y = lx * m.m[0][1] + ly * m.m[1][1] + m.m[3][1];
    v.u = uv[i][0];
    v.v = uv[i][1];
    v.red = d.color[0];
    v.green = d.color[1];
    v.blue = d.color[2];
    v.alpha = d.color[3];
  }
  s->flags |= OMB_SPRITE_QUAD_VALID;
  return true;
}

}  // namespace

void ombSpriteUpdateRenderer(OmbSpriteRenderer* r) {
  OMB_LIST* pending = &r->pendingTexts;
  OMB_LIST_LINK* link = pending->head.next;
  while (link != &pending->head) {
    OMB_LIST_LINK* next = link->next;
    ombSpriteAdvanceText(ombSpriteOf<OmbSpriteRect>(pending, link), r->budget);
    link = next;
  }
  OMB_LIST* roots = &r->shownRoots;
  link = roots->head.next;
  while (link != &roots->head) {
    OMB_LIST_LINK* next = link->next;
    OmbSprite* s = ombSpriteOf<OmbSprite>(roots, link);
    const uint32_t reverse = s->flags & (OMB_SPRITE_REVERSE_X | OMB_SPRITE_REVERSE_Y);
    const int block = reverse == 0 ? 0 : reverse == OMB_SPRITE_REVERSE_X ? 1
                                        : reverse == OMB_SPRITE_REVERSE_Y ? 2 : 3;
    walk(s, r->roots[block], false);
    link = next;
  }
}

void ombSpriteBuildQuad(OmbSprite* s) {
  if (!(s->flags & OMB_SPRITE_QUAD_VALID) && !rebuildQuad(s)) {
    return;
  }
  OmbSpriteRenderer* r = s->renderer;
  void* surface = s->rect->image->surface;
  OmbSpriteBatch* b = &r->batches[r->batchIndex];
  if (b->vertexCount != 0 &&
      (b->vertexCount + 4 > OMB_SPRITE_BATCH_VERTICES || b->surface != surface ||
       b->wipe != nullptr || b->filter != s->filterCode || b->blend != s->blendCode ||
       b->alphaTest != s->alphaTestCode ||
       std::fabs(b->threshold - s->deviceThreshold) >= 1e-5f)) {
    if (r->batchIndex + 1 < OMB_SPRITE_BATCHES) {
      ++r->batchIndex;
    } else {
      ombSpriteFlushBatches(r);
    }
    b = &r->batches[r->batchIndex];
  }
  if (b->vertexCount == 0) {
    b->surface = surface;
    b->wipe = nullptr;
    b->filter = s->filterCode;
    b->blend = s->blendCode;
    b->alphaTest = s->alphaTestCode;
    b->threshold = s->deviceThreshold;
  }
  for (const OmbSpriteVertex& v : s->quad) {
    b->vertices[b->vertexCount++] = v;
  }
}

void ombSpriteFlushBatches(OmbSpriteRenderer* r) {
  const OmbSpriteDeviceOps& ops = r->set->ops;
  if (r->batches[r->batchIndex].vertexCount != 0) {
    ops.render(ops.context, r->batches, r->batchIndex + 1);
  } else if (r->batchIndex > 0) {
    ops.render(ops.context, r->batches, r->batchIndex);
  }
  for (uint32_t i = 0; i <= r->batchIndex; ++i) {
    r->batches[i].vertexCount = 0;
  }
  r->batchIndex = 0;
}

void ombSpriteDrawRenderer(OmbSpriteRenderer* r) {
  const OmbSpriteDeviceOps& ops = r->set->ops;
  ops.begin(ops.context);
  for (uint32_t level = 0; level < r->levelCount; ++level) {
    OMB_LIST* list = &r->levels[level];
    for (OMB_LIST_LINK* l = list->head.next; l != &list->head; l = l->next) {
      ombSpriteBuildQuad(ombSpriteOf<OmbSprite>(list, l));
    }
  }
  ombSpriteFlushBatches(r);
  ops.end(ops.context);
}
