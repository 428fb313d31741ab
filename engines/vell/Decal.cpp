#include "engines/vell/Decal.h"

#include "engines/vell/CollTriangle.h"
#include "foundation/math/DetMath.h"
#include "render/device/L3DTexture.h"

#include <utility>

namespace vell {

const ScriptHandleKind kDecalHandleKind{u"decal"};

DecalList::~DecalList() { clear(); }

DecalHandle* DecalList::add(dbtl::rcptr<L3DTexture> texture, float alpha) {
  auto handle = std::make_unique<DecalHandle>();
  handle->texture = std::move(texture);
  handle->alpha = alpha;
  DecalHandle* made = handle.get();
  made->handle = scriptHandles().add(kDecalHandleKind, made);
  handles_.push_back(std::move(handle));
  return made;
}

void DecalList::clear() {
  for (const std::unique_ptr<DecalHandle>& handle : handles_) {
    scriptHandles().remove(handle->handle);
  }
  handles_.clear();
}

LQuat decalRotation(float angle) {
  const float half = -angle / 2.0f;
  return {0.0f, detmath::sin(half), 0.0f, detmath::cos(half)};
}

uint32_t MapDecals::add(CollTriangle* triangle, const DecalHandle* handle,
                        const DecalStamp& stamp) {
  uint32_t i = count_;
  if (count_ < kDecalSlots) {
    ++count_;
  } else {
    i = 0;
    for (uint32_t k = 1; k < kDecalSlots; ++k) {
      if (slots_[k].age > slots_[i].age) i = k;
    }
  }
  DecalSlot& s = slots_[i];
  s.triangle = triangle;
  s.handle = handle;
  s.alpha = stamp.alpha;
  s.offset = {stamp.centre.x - triangle->f0.x, stamp.centre.y - triangle->f0.y,
              stamp.centre.z - triangle->f0.z};
  s.rotation = decalRotation(stamp.angle);
  s.inverseSize = {1.0f / stamp.size.x, 1.0f / stamp.size.y, 1.0f / stamp.size.z};
  s.age = 0;
  s.fadeIn = stamp.fadeIn;
  s.fadeOut = stamp.fadeOut;
  s.life = stamp.life;
  return i;
}

void MapDecals::age() {
  for (uint32_t i = 0; i < count_;) {
    DecalSlot& s = slots_[i];
    ++s.age;
    if (s.age >= s.life) {
      s = slots_[count_ - 1];
      --count_;
      continue;  // the slot moved here has not aged yet this frame
    }
    ++i;
  }
}

float decalFade(uint32_t age, uint32_t fadeIn, uint32_t fadeOut, uint32_t life) {
  if (age >= life) return -1.0f;
  if (age >= fadeOut) {
    return 1.0f - static_cast<float>(age - fadeOut + 1) / static_cast<float>(life - fadeOut + 1);
  }
  if (age >= fadeIn) return 1.0f;
  return static_cast<float>(age + 1) / static_cast<float>(fadeIn + 1);
}

DecalBatch::DecalBatch(Flush flush, const float offset[3], uint32_t& drawStamp)
    : flush_(std::move(flush)), offset_{offset[0], offset[1], offset[2]}, drawStamp_(drawStamp) {}

void DecalBatch::flushBatch() {
  if (count_ > 0 && current_ != nullptr) flush_(*current_, vertices_, count_);
  count_ = 0;
}

void DecalBatch::finish() { flushBatch(); }

namespace {

// The decal-box coordinate of a point on one axis: p . (column c of m) + m[3][c].
float boxCoordinate(const Vec3f& p, const LMat43& m, int c) {
  return p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + m.m[3][c];
}

bool allOutside(const float v[3]) {
  return (v[0] > 0.5f && v[1] > 0.5f && v[2] > 0.5f) ||
         (v[0] < -0.5f && v[1] < -0.5f && v[2] < -0.5f);
}

CollTriangle* neighbour(const CollTriangle& t, uint32_t list, uint32_t i) {
  if (list == 0) {
    return i == 0 ? t.link0 : i == 1 ? t.link1 : i == 2 ? t.link2 : nullptr;
  }
  CollTriangle* const* corners = list == 1 ? t.corner0 : list == 2 ? t.corner1 : t.corner2;
  return i < kCornerCapacity ? corners[i] : nullptr;
}

}  // namespace

void DecalBatch::appendTriangle(CollTriangle& t, const LMat43& m, uint32_t colour,
                                bool& inside) {
  t.drawStamp = drawStamp_;
  const Vec3f* v[3] = {&t.f0, &t.f1, &t.f2};
  float u[3], d[3], w[3];
  for (int k = 0; k < 3; ++k) {
    u[k] = boxCoordinate(*v[k], m, 0);
    d[k] = boxCoordinate(*v[k], m, 1);
    w[k] = boxCoordinate(*v[k], m, 2);
  }
  inside = !(allOutside(u) || allOutside(w) || allOutside(d));
  if (!inside) return;
  if (count_ > kCapacity - 3) flushBatch();
  for (int k = 0; k < 3; ++k) {
    L3D_RENDERER_VERTEX& out = vertices_[count_++];
    out = L3D_RENDERER_VERTEX{};
    out.x = v[k]->x + offset_[0];
    out.y = v[k]->y + offset_[1];
    out.z = v[k]->z + offset_[2];
    out.colour = colour;
    out.u = u[k] + 0.5f;
    out.v = w[k] + 0.5f;
  }
}

void DecalBatch::draw(CollTriangle* start, const DecalHandle* handle, float factor,
                      const LMat43& projection) {
  if (handle != current_) {
    flushBatch();
    current_ = handle;
  }
  // A factor above 1 would carry into the colour bits: it is held at 1 (and a negative one at
  // 0) before it becomes the vertex alpha.
  const float clamped = factor > 1.0f ? 1.0f : (factor > 0.0f ? factor : 0.0f);
  const uint32_t colour = (static_cast<uint32_t>(clamped * 255.0f) << 24) | 0xFFFFFFu;
  // Depth first, each triangle's neighbours in the order links 0..2, then corner lists 0..2,
  // as a recursive walk would visit them, but on a stack of our own.
  stack_.clear();
  bool inside = false;
  appendTriangle(*start, projection, colour, inside);
  if (inside) stack_.push_back({start, 0, 0});
  while (!stack_.empty()) {
    Frame& f = stack_.back();
    CollTriangle* next = nullptr;
    while (f.list < 4) {
      if (f.list == 0 && f.next >= 3) {
        f.list = 1;
        f.next = 0;
        continue;
      }
      next = neighbour(*f.triangle, f.list, f.next);
      if (next == nullptr && f.list > 0) {
        ++f.list;  // a corner list ends at its first null
        f.next = 0;
        continue;
      }
      ++f.next;
      if (next != nullptr && next->drawStamp != drawStamp_) break;
      next = nullptr;
    }
    if (next == nullptr) {
      stack_.pop_back();
      continue;
    }
    appendTriangle(*next, projection, colour, inside);
    if (inside) stack_.push_back({next, 0, 0});
  }
  if (++drawStamp_ == 0) drawStamp_ = 1;
}

}  // namespace vell
