// The part timeline: one step of a work part runs its due events, animates its image, colour,
// scale, rotation and position, and composes its world matrix.

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/math/DetMath.h"
#include "model/effect/L3DEffectManager.h"
#include "render/L3DRandom.h"
#include "render/L3DRenderer.h"
#include "sound/se/LSeManager.h"

#include <cmath>

// What one step carries between its events.
struct L3DEffectManager::StepState {
  bool changed = false;     // image or colour changed: the final colour is refreshed
  bool jumpedBack = false;  // a jump has already sent the cursor back over itself
  bool stop = false;        // no more events this step
  bool end = false;         // the part ends
};

namespace {

float random(L3DRandom& r, float base, float range) { return base + r.NextFloat() * range; }

LVec3 randomVec(L3DRandom& r, const LVec3& base, const LVec3& range) {
  LVec3 v;
  v.x = random(r, base.x, range.x);
  v.y = random(r, base.y, range.y);
  v.z = random(r, base.z, range.z);
  return v;
}

LVec3 words3(const L3D_EFFECT_EVENT& e, uint32_t first) {
  return {e.F(first), e.F(first + 1), e.F(first + 2)};
}

// The vector as a row times the upper-left 3 x 3 of m.
LVec3 turn(const LVec3& v, const LMat& m) {
  LVec3 out;
  out.x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0];
  out.y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1];
  out.z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2];
  return out;
}

LVec3 add(const LVec3& a, const LVec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

float clamp01(float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }

// A periodic channel's countdown: true when the period ended in this step (and restarts).
bool countDown(int32_t& countdown, int32_t period) {
  --countdown;
  if (countdown >= 1) return false;
  countdown = period;
  return true;
}

uint32_t firstEventFrom(const L3D_EFFECT_PARTDATA& data, int32_t frame) {
  uint32_t i = 0;
  while (i < data.eventCount && data.events[i].frame < frame) ++i;
  return i;
}

[[noreturn]] void badPart(int32_t number, uint32_t count) {
  lerrFatal(lerrText(u"[L3DEffectManager::_TaskPart] パーツ番号が範囲外(%d/%d)").c_str(),
            static_cast<int>(number), static_cast<int>(count));
}

}  // namespace

L3DRandom& L3DEffectManager::_Random() { return m_renderer->GetRandom(); }

bool L3DEffectManager::_InitWorkPart(L3D_EFFECT_WORKPART* part, L3D_EFFECT_WORKROOT* root,
                                     const L3D_EFFECT_PARTDATA* data, int32_t basePriority) {
  part->root = root;
  part->data = data;
  if (part == &root->rootPart) {
    part->childPrev = part->childNext = nullptr;
  } else {
    part->childPrev = nullptr;
    part->childNext = root->children;
    if (root->children != nullptr) root->children->childPrev = part;
    root->children = part;
    ++root->childCount;
  }
  part->drawPrev = part->drawNext = nullptr;
  part->cursor = 0;
  part->tracker = nullptr;
  part->imageMode = L3D_EFFECT_IMAGE_NONE;
  part->jump = -1;
  part->frame = -1;
  part->image = -1;
  part->model = -1;
  part->basePriority = basePriority;
  part->priority = basePriority;
  for (int c = 0; c < 4; ++c) part->colour[c] = 1.0f;
  for (int c = 0; c < 4; ++c) part->finalColour[c] = 1.0f;
  part->colourMode = 0;
  part->position = {};
  part->positionMode = 0;
  part->scale = {1.0f, 1.0f, 1.0f};
  part->scaleMode = 0;
  part->rotation = kQuatIdentity;
  part->rotationMatrix.SetIdentity();
  part->rotationMode = 0;
  part->local.SetIdentity();
  part->parent.SetIdentity();
  part->world.SetIdentity();
  return true;
}

void L3DEffectManager::_FreeWorkPart(L3D_EFFECT_WORKPART* part) {
  L3D_EFFECT_WORKROOT* root = part->root;
  if (root == nullptr) return;
  if (m_se != nullptr) m_se->DetachOwner(part);
  if (part->imageMode != L3D_EFFECT_IMAGE_NONE) {
    if (part->drawPrev != nullptr) {
      part->drawPrev->drawNext = part->drawNext;
    } else {
      root->drawList = part->drawNext;
    }
    if (part->drawNext != nullptr) part->drawNext->drawPrev = part->drawPrev;
    part->drawPrev = part->drawNext = nullptr;
    part->imageMode = L3D_EFFECT_IMAGE_NONE;
  }
  if (part->tracker != nullptr) {
    m_freeTrackers.push_back(part->tracker);
    part->tracker = nullptr;
  }
  if (part != &root->rootPart) {
    if (part->childPrev != nullptr) {
      part->childPrev->childNext = part->childNext;
    } else {
      root->children = part->childNext;
    }
    if (part->childNext != nullptr) part->childNext->childPrev = part->childPrev;
    part->childPrev = part->childNext = nullptr;
    --root->childCount;
    m_freeParts.push_back(part);
  }
  part->root = nullptr;
}

void L3DEffectManager::_InsertDrawPart(L3D_EFFECT_WORKPART* part, int32_t priority) {
  L3D_EFFECT_WORKROOT* root = part->root;
  if (part->imageMode != L3D_EFFECT_IMAGE_NONE) {
    if (part->priority == priority) return;
    if (part->drawPrev != nullptr) {
      part->drawPrev->drawNext = part->drawNext;
    } else {
      root->drawList = part->drawNext;
    }
    if (part->drawNext != nullptr) part->drawNext->drawPrev = part->drawPrev;
  }
  part->priority = priority;
  L3D_EFFECT_WORKPART* before = root->drawList;
  L3D_EFFECT_WORKPART* last = nullptr;
  while (before != nullptr && before->priority < priority) {
    last = before;
    before = before->drawNext;
  }
  part->drawNext = before;
  part->drawPrev = last;
  if (before != nullptr) before->drawPrev = part;
  if (last != nullptr) {
    last->drawNext = part;
  } else {
    root->drawList = part;
  }
}

void L3DEffectManager::_RandomTurn(L3D_EFFECT_WORKPART* part, const LVec3& axisBase,
                                   const LVec3& axisRange, float angleBase, float angleRange,
                                   bool velocity) {
  L3DRandom& r = _Random();
  const float angle = random(r, angleBase, angleRange);
  bool made = false;
  LQuat q = kQuatIdentity;
  if (std::fabs(angle) >= 1e-6f) {
    LVec3 axis = randomVec(r, axisBase, axisRange);
    if (std::fabs(axis.x) + std::fabs(axis.y) + std::fabs(axis.z) >= 1e-6f) {
      vec3Normalize(axis, axis);
      const float half = angle / 2.0f;
      const float s = detmath::sin(half);
      q = {axis.x * s, axis.y * s, axis.z * s, detmath::cos(half)};
      made = true;
    }
  }
  if (velocity) {
    part->angularVelocity = made ? q : kQuatIdentity;
  } else {
    if (made) quatMultiply(part->rotation, part->rotation, q);
    quatToMatrix(part->rotationMatrix, part->rotation);
  }
}

void L3DEffectManager::_RunEvent(L3D_EFFECT_WORKPART* part, const L3D_EFFECT_EVENT& e,
                                 uint32_t index, StepState& step) {
  L3D_EFFECT_WORKROOT* root = part->root;
  const L3D_EFFECT_ROOTDATA& rootData = *root->rootData;
  L3DRandom& r = _Random();
  switch (e.kind) {
    case 0:
      step.end = true;
      break;
    case 1: {
      const int32_t target = e.I(2);
      const int32_t which = e.I(3);
      if (which == -1) {
        part->frame = target;
        part->cursor = firstEventFrom(*part->data, target);
        // A jump that sends the cursor back over itself runs those events again in this step
        // once; the second time the step ends there and the loop goes on in the next frame, so
        // a jump to its own frame never hangs the game.
        if (part->cursor <= index) {
          if (step.jumpedBack) step.stop = true;
          step.jumpedBack = true;
        }
      } else if (which == -2) {
        root->rootPart.jump = target;
      } else if (which >= 0 && static_cast<uint32_t>(which) < rootData.childCount) {
        const L3D_EFFECT_PARTDATA* data = &rootData.children[static_cast<uint32_t>(which)];
        for (L3D_EFFECT_WORKPART* c = root->children; c != nullptr; c = c->childNext) {
          if (c->data == data) c->jump = target;
        }
      } else {
        badPart(which, rootData.childCount);
      }
      break;
    }
    case 2: {
      const int32_t which = e.I(2);
      if (which < 0 || static_cast<uint32_t>(which) >= rootData.childCount) {
        badPart(which, rootData.childCount);
      }
      // A timeline that spawns its own kind would multiply without end; past the cap spawns
      // are dropped.
      if (root->childCount >= L3D_EFFECT_ROOT_PARTS_MAX) break;
      L3D_EFFECT_WORKPART* child =
          _AllocWorkPart(root, &rootData.children[static_cast<uint32_t>(which)], part->priority);
      if (part != &root->rootPart && m_spawnDepth < L3D_EFFECT_SPAWN_DEPTH_MAX) {
        ++m_spawnDepth;
        _TaskPart(child);
        --m_spawnDepth;
      }
      break;
    }
    case 3:
      _InsertDrawPart(part, part->basePriority + e.I(4));
      part->image = e.I(2);
      part->model = e.I(3);
      part->imageMode = L3D_EFFECT_IMAGE_FIXED;
      step.changed = true;
      break;
    case 4:
    case 5:
      _InsertDrawPart(part, part->basePriority + e.I(6));
      part->imageFirst = e.I(2);
      part->imageLast = e.I(3);
      part->imageFrames = e.I(4);
      part->model = e.I(5);
      if (e.kind == 4) part->image = e.I(2) - 1;
      part->imageCountdown = 0;
      part->imageMode = e.kind == 4 ? L3D_EFFECT_IMAGE_SEQUENCE : L3D_EFFECT_IMAGE_RANDOM;
      break;
    case 6:
      _InsertDrawPart(part, part->basePriority + e.I(5));
      part->image = r.NextRange(e.I(2), e.I(3));
      part->model = e.I(4);
      part->imageMode = L3D_EFFECT_IMAGE_FIXED;
      step.changed = true;
      break;
    case 7:
      if (part->imageMode != L3D_EFFECT_IMAGE_NONE) part->imageMode = L3D_EFFECT_IMAGE_FIXED;
      break;
    case 8:
      for (uint32_t c = 0; c < 4; ++c) part->colour[c] = e.F(2 + c);
      part->colourMode = 0;
      step.changed = true;
      break;
    case 9:
      for (uint32_t c = 0; c < 4; ++c) part->colourBase[c] = e.F(2 + c);
      part->colourMode = 1;
      break;
    case 10:
      for (uint32_t c = 0; c < 4; ++c) part->colourBase[c] = e.F(2 + c);
      for (uint32_t c = 0; c < 4; ++c) part->colourRange[c] = e.F(6 + c);
      part->colourPeriod = e.I(10);
      part->colourCountdown = 0;
      part->colourMode = 2;
      break;
    case 11:
      for (uint32_t c = 0; c < 4; ++c) part->colour[c] = random(r, e.F(2 + c), e.F(6 + c));
      part->colourMode = 0;
      step.changed = true;
      break;
    case 12:
      part->colourMode = 0;
      break;
    case 13:
      part->position = words3(e, 2);
      part->positionMode = 0;
      break;
    case 14:
      part->positionBase = words3(e, 2);
      part->positionMode = 1;
      break;
    case 15:
    case 42:
      part->positionBase = words3(e, 2);
      part->positionRange = words3(e, 5);
      part->positionPeriod = e.I(8);
      part->positionCountdown = 0;
      part->positionMode = e.kind == 15 ? 2 : 4;
      break;
    case 16:
      part->position = randomVec(r, words3(e, 2), words3(e, 5));
      part->positionMode = 0;
      break;
    case 17:
      part->positionMode = 0;
      break;
    case 18:
      part->scale = words3(e, 2);
      part->scaleMode = 0;
      break;
    case 19:
      part->scaleBase = words3(e, 2);
      part->scaleMode = 1;
      break;
    case 20:
      part->scaleBase = words3(e, 2);
      part->scaleRange = words3(e, 5);
      part->scalePeriod = e.I(8);
      part->scaleCountdown = 0;
      part->scaleMode = 2;
      break;
    case 21:
      part->scale = randomVec(r, words3(e, 2), words3(e, 5));
      part->scaleMode = 0;
      break;
    case 22:
      part->scaleMode = 0;
      break;
    case 23: {
      const LQuat q{e.F(2), e.F(3), e.F(4), e.F(5)};
      quatMultiply(part->rotation, part->rotation, q);
      quatToMatrix(part->rotationMatrix, part->rotation);
      break;
    }
    case 24:
      part->angularVelocity = {e.F(2), e.F(3), e.F(4), e.F(5)};
      part->rotationMode = 1;
      break;
    case 25:
      part->axisBase = words3(e, 2);
      part->axisRange = words3(e, 5);
      part->angleBase = e.F(8);
      part->angleRange = e.F(9);
      part->rotationPeriod = e.I(10);
      part->rotationCountdown = 0;
      part->rotationMode = 2;
      break;
    case 26:
      _RandomTurn(part, words3(e, 2), words3(e, 5), e.F(8), e.F(9), false);
      break;
    case 27:
      part->rotationMode = 0;
      break;
    case 28:
      if (m_se != nullptr) {
        const LSeGroupList& groups = root->data->seGroups;
        LSeManager::_GROUPINFO* group = nullptr;
        const int32_t g = e.I(2);
        if (g >= 0 && static_cast<uint32_t>(g) < groups.count) {
          group = groups.groups[static_cast<uint32_t>(g)];
        }
        m_se->Play(e.U(3), group, part, nullptr);
      }
      break;
    case 29:
      for (uint32_t c = 0; c < 4; ++c) part->colourBase[c] = random(r, e.F(2 + c), e.F(6 + c));
      part->colourMode = 1;
      break;
    case 30:
      part->positionBase = randomVec(r, words3(e, 2), words3(e, 5));
      part->positionMode = 1;
      break;
    case 31:
      part->scaleBase = randomVec(r, words3(e, 2), words3(e, 5));
      part->scaleMode = 1;
      break;
    case 32:
      _RandomTurn(part, words3(e, 2), words3(e, 5), e.F(8), e.F(9), true);
      part->rotationMode = 1;
      break;
    case 33:
      part->scaleBase = {e.F(2), 0.0f, e.F(3)};
      part->scaleRange = {e.F(4), 0.0f, e.F(5)};
      part->scalePeriod = e.I(6);
      part->scaleCountdown = 0;
      part->scaleMode = 3;
      break;
    case 34:
    case 35: {
      const float xy = random(r, e.F(2), e.F(4));
      const float z = random(r, e.F(3), e.F(5));
      (e.kind == 34 ? part->scale : part->scaleBase) = {xy, xy, z};
      part->scaleMode = e.kind == 34 ? 0 : 1;
      break;
    }
    case 36:
      part->scaleBase = {e.F(2), 0.0f, 0.0f};
      part->scaleRange = {e.F(3), 0.0f, 0.0f};
      part->scalePeriod = e.I(4);
      part->scaleCountdown = 0;
      part->scaleMode = 4;
      break;
    case 37:
    case 38: {
      const float v = random(r, e.F(2), e.F(3));
      (e.kind == 37 ? part->scale : part->scaleBase) = {v, v, v};
      part->scaleMode = e.kind == 37 ? 0 : 1;
      break;
    }
    case 39: {
      if (part->tracker == nullptr) part->tracker = _AllocTracker();
      L3D_EFFECT_TRACKER& t = *part->tracker;
      t.countdown = 1;
      t.life = static_cast<float>(e.U(2));
      t.inverseLife = t.life > 0.0f ? 1.0f / t.life : 0.0f;
      t.interval = e.I(3);
      t.spacing = e.F(4);
      t.committed = 0;
      t.pending = 0;
      break;
    }
    case 40:
      part->position = turn(words3(e, 2), part->rotationMatrix);
      part->positionMode = 0;
      break;
    case 41:
      part->positionBase = words3(e, 2);
      part->positionMode = 3;
      break;
    case 43:
      part->position = turn(randomVec(r, words3(e, 2), words3(e, 5)), part->rotationMatrix);
      part->positionMode = 0;
      break;
    case 44:
      part->positionBase = randomVec(r, words3(e, 2), words3(e, 5));
      part->positionMode = 3;
      break;
    default:
      lerrFatal(lerrText(u"[L3DEffectManager::_TaskPart] 実装されていないイベント(%d)").c_str(),
                static_cast<int>(e.kind));
  }
}

bool L3DEffectManager::_TaskPart(L3D_EFFECT_WORKPART* part) {
  const L3D_EFFECT_PARTDATA& data = *part->data;
  if (part->jump != -1) {
    part->frame = part->jump;
    part->jump = -1;
    part->cursor = firstEventFrom(data, part->frame);
  } else {
    ++part->frame;
  }

  StepState step;
  while (!step.stop && part->cursor < data.eventCount &&
         data.events[part->cursor].frame <= part->frame) {
    const uint32_t index = part->cursor++;
    _RunEvent(part, data.events[index], index, step);
    if (step.end) break;
  }
  if (step.end || part->cursor >= data.eventCount) {
    _FreeWorkPart(part);
    return true;
  }

  L3DRandom& r = _Random();
  if (part->imageMode == L3D_EFFECT_IMAGE_SEQUENCE) {
    if (countDown(part->imageCountdown, part->imageFrames)) {
      ++part->image;
      if (part->image == part->imageLast) part->imageMode = L3D_EFFECT_IMAGE_FIXED;
      step.changed = true;
    }
  } else if (part->imageMode == L3D_EFFECT_IMAGE_RANDOM) {
    if (countDown(part->imageCountdown, part->imageFrames)) {
      part->image = r.NextRange(part->imageFirst, part->imageLast);
      step.changed = true;
    }
  }

  if (part->colourMode == 1) {
    for (int c = 0; c < 4; ++c) part->colour[c] = clamp01(part->colour[c] + part->colourBase[c]);
    step.changed = true;
  } else if (part->colourMode == 2 && countDown(part->colourCountdown, part->colourPeriod)) {
    for (int c = 0; c < 4; ++c) part->colour[c] = random(r, part->colourBase[c], part->colourRange[c]);
    step.changed = true;
  }

  switch (part->scaleMode) {
    case 1:
      part->scale = add(part->scale, part->scaleBase);
      break;
    case 2:
      if (countDown(part->scaleCountdown, part->scalePeriod)) {
        part->scale = randomVec(r, part->scaleBase, part->scaleRange);
      }
      break;
    case 3:
      if (countDown(part->scaleCountdown, part->scalePeriod)) {
        const float xy = random(r, part->scaleBase.x, part->scaleRange.x);
        const float z = random(r, part->scaleBase.z, part->scaleRange.z);
        part->scale = {xy, xy, z};
      }
      break;
    case 4:
      if (countDown(part->scaleCountdown, part->scalePeriod)) {
        const float v = random(r, part->scaleBase.x, part->scaleRange.x);
        part->scale = {v, v, v};
      }
      break;
    default:
      break;
  }

  if (part->rotationMode == 1) {
    quatMultiply(part->rotation, part->rotation, part->angularVelocity);
    quatToMatrix(part->rotationMatrix, part->rotation);
  } else if (part->rotationMode == 2 && countDown(part->rotationCountdown, part->rotationPeriod)) {
    _RandomTurn(part, part->axisBase, part->axisRange, part->angleBase, part->angleRange, false);
  }

  switch (part->positionMode) {
    case 1:
      part->position = add(part->position, part->positionBase);
      break;
    case 2:
      if (countDown(part->positionCountdown, part->positionPeriod)) {
        part->position = randomVec(r, part->positionBase, part->positionRange);
      }
      break;
    case 3:
      part->position = add(part->position, turn(part->positionBase, part->rotationMatrix));
      break;
    case 4:
      if (countDown(part->positionCountdown, part->positionPeriod)) {
        const LVec3 step4 = randomVec(r, part->positionBase, part->positionRange);
        part->position = add(part->position, turn(step4, part->rotationMatrix));
      }
      break;
    default:
      break;
  }

  const float scale[3] = {part->scale.x, part->scale.y, part->scale.z};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 4; ++col) {
      part->local.m[row][col] = part->rotationMatrix.m[row][col] * scale[row];
    }
  }
  part->local.m[3][0] = part->position.x;
  part->local.m[3][1] = part->position.y;
  part->local.m[3][2] = part->position.z;
  part->local.m[3][3] = 1.0f;

  L3D_EFFECT_WORKROOT* root = part->root;
  if (part == &root->rootPart) {
    if ((root->rootData->flags & L3D_EFFECT_ROOT_FOLLOW) != 0 || part->frame == 0) {
      LMat ra;
      quatToMatrix(ra, root->attachRotation);
      LMat ta;
      ta.SetTranslation(root->attachPosition.x, root->attachPosition.y, root->attachPosition.z);
      LMat::Mul(root->matrix, ra, part->parent);
      LMat::Mul(part->parent, ta, part->parent);
    }
  } else if ((data.flags & L3D_EFFECT_PART_FOLLOW) != 0) {
    part->parent = root->rootPart.world;
  } else if (part->frame == 0) {
    part->parent = root->rootPart.parent;
  }
  LMat::Mul(part->local, part->parent, part->world);

  // A part without an image (mode 0) is not drawn, so there is no image to take the factor
  // from yet; its first image event refreshes the final colour.
  const uint32_t imageCount = m_prop.imageCount;
  if (step.changed && part->imageMode != L3D_EFFECT_IMAGE_NONE) {
    if (part->image < 0 || static_cast<uint32_t>(part->image) >= imageCount) {
      lerrFatal(lerrText(u"[L3DEffectManager::_TaskPart] img番号が不正(%d/%d)").c_str(),
                static_cast<int>(part->image), static_cast<int>(imageCount));
    }
    const L3D_EFFECT_IMAGE& image = m_prop.images[static_cast<uint32_t>(part->image)];
    for (int c = 0; c < 4; ++c) part->finalColour[c] = image.color[c] * part->colour[c];
  }

  if (part->tracker != nullptr) _TrailUpdate(part);

  if (part->imageMode != L3D_EFFECT_IMAGE_NONE && part->image >= 0 &&
      static_cast<uint32_t>(part->image) < imageCount) {
    const uint32_t blend = m_prop.images[static_cast<uint32_t>(part->image)].blend;
    constexpr uint32_t kOrderDependent = (1u << 0) | (1u << 2) | (1u << 3) | (1u << 4) |
                                         (1u << 5) | (1u << 9) | (1u << 10);
    if (blend < 32 && ((kOrderDependent >> blend) & 1u) != 0) m_frameFlags |= 1;
  }
  return false;
}
