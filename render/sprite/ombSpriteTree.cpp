// The sprite tree: creation and destruction, visibility, parents, rects, levels and the
// setters that need more than a plain field write.

#include "foundation/math/DetMath.h"
#include "render/sprite/ombSprite.h"
#include "render/sprite/ombSpritePools.h"
#include "script/ScriptHandle.h"

#include <cmath>
#include <cstddef>

namespace {

OMB_LIST* siblingList(OmbSprite* sprite, bool visible) {
  if (sprite->parent != nullptr) {
    return visible ? &sprite->parent->shownChildren : &sprite->parent->hiddenChildren;
  }
  return visible ? &sprite->renderer->shownRoots : &sprite->renderer->hiddenRoots;
}

bool visible(const OmbSprite* sprite) {
  return (sprite->flags & OMB_SPRITE_VISIBLE) != 0;
}

void joinLevel(OmbSprite* sprite) {
  if (OMB_LIST* level = ombSpriteLevelList(sprite)) {
    ombListAppend(level, &sprite->levelLink);
  }
}

void leaveLevel(OmbSprite* sprite) {
  if (OMB_LIST* level = ombSpriteLevelList(sprite)) {
    ombListRemove(level, &sprite->levelLink);
  }
}

void dropRect(OmbSpriteRect* rect) {
  if (rect->spriteRefs != 0 && --rect->spriteRefs == 0 && rect->scriptRefs == 0) {
    ombSpriteDestroyRect(rect);
  }
}

void refreshChildren(OmbSprite* sprite) {
  OMB_LIST* first = visible(sprite) ? &sprite->shownChildren : &sprite->hiddenChildren;
  OMB_LIST* second = visible(sprite) ? &sprite->hiddenChildren : &sprite->shownChildren;
  for (OMB_LIST* list : {first, second}) {
    OMB_LIST_LINK* link = list->head.next;
    while (link != &list->head) {
      OMB_LIST_LINK* next = link->next;
      OmbSprite* child = ombSpriteOf<OmbSprite>(list, link);
      ombSpriteSetShow(child, (child->flags & OMB_SPRITE_SHOW) != 0);
      link = next;
    }
  }
}

void setRotation(OmbSprite* sprite, float& angle, int axis, uint32_t flag, float radians) {
  if (std::fabs(radians) < 1e-5f) {
    angle = 0.0f;
    sprite->flags &= ~flag;
  } else {
    angle = radians;
    sprite->flags |= flag;
  }
  const float half = angle * 0.5f;
  sprite->halfSin[axis] = detmath::sin(half);
  sprite->halfCos[axis] = detmath::cos(half);
  sprite->flags |= OMB_SPRITE_DIRTY;
}

}  // namespace

OMB_LIST* ombSpriteLevelList(OmbSprite* sprite) {
  OmbSpriteRenderer* r = sprite->renderer;
  // A sprite is in a level list exactly while it is visible with a rect. A level index beyond
  // the list count (a renderer made with no levels) has no list: such a sprite is never drawn.
  if (!visible(sprite) || sprite->rect == nullptr || sprite->level >= r->levelCount) {
    return nullptr;
  }
  return &r->levels[sprite->level];
}

OmbSprite* ombSpriteCreate(OmbSpriteRenderer* renderer) {
  OmbSprite* s = ombSpritePoolNew<OmbSprite>(ombSpritePools().sprites);
  if (s == nullptr) {
    return nullptr;
  }
  ombListInit(&s->shownChildren, offsetof(OmbSprite, siblingLink));
  ombListInit(&s->hiddenChildren, offsetof(OmbSprite, siblingLink));
  s->flags = OMB_SPRITE_DIRTY | OMB_SPRITE_SHOW | OMB_SPRITE_VISIBLE;
  s->scaleX = s->scaleY = 1.0f;
  s->color[0] = s->color[1] = s->color[2] = s->color[3] = 1.0f;
  s->animationSpeed = 1.0f;
  s->halfCos[0] = s->halfCos[1] = s->halfCos[2] = 1.0f;
  s->scriptRefs = 1;
  s->renderer = renderer;
  ombListAppend(&renderer->shownRoots, &s->siblingLink);
  return s;
}

void ombSpriteDestroy(OmbSprite* s) {
  if (s->rect != nullptr) {
    leaveLevel(s);
    OmbSpriteRect* rect = s->rect;
    s->rect = nullptr;
    dropRect(rect);
  }
  for (OMB_LIST* list : {&s->hiddenChildren, &s->shownChildren}) {
    while (list->count != 0) {
      ombSpriteSetParent(ombSpriteOf<OmbSprite>(list, list->head.next), nullptr);
    }
  }
  ombListRemove(siblingList(s, visible(s)), &s->siblingLink);
  scriptHandles().remove(s->handle);
  ombSpritePoolDelete(ombSpritePools().sprites, s);
}

bool ombSpriteUnlock(OmbSprite* s) {
  if (s->lockCount != 0) {
    --s->lockCount;
  }
  if (s->lockCount == 0 && s->scriptRefs == 0) {
    ombSpriteDestroy(s);
    return true;
  }
  return false;
}

bool ombSpriteRelease(OmbSprite* s) {
  if (s->scriptRefs != 0) {
    --s->scriptRefs;
  }
  if (s->lockCount == 0 && s->scriptRefs == 0) {
    ombSpriteDestroy(s);
    return true;
  }
  return false;
}

void ombSpriteSetShow(OmbSprite* s, bool show) {
  const bool wasVisible = visible(s);
  if (show) {
    s->flags |= OMB_SPRITE_SHOW | OMB_SPRITE_VISIBLE;
    if (s->parent != nullptr && !visible(s->parent)) {
      s->flags &= ~OMB_SPRITE_VISIBLE;
    }
  } else {
    s->flags &= ~(OMB_SPRITE_SHOW | OMB_SPRITE_VISIBLE);
  }
  if (wasVisible != visible(s)) {
    ombListRemove(siblingList(s, wasVisible), &s->siblingLink);
    ombListAppend(siblingList(s, !wasVisible), &s->siblingLink);
    if (wasVisible) {
      if (s->rect != nullptr && s->level < s->renderer->levelCount) {
        ombListRemove(&s->renderer->levels[s->level], &s->levelLink);
      }
    } else {
      joinLevel(s);
    }
  }
  s->flags |= OMB_SPRITE_DIRTY;
  refreshChildren(s);
}

bool ombSpriteSetParent(OmbSprite* s, OmbSprite* parent) {
  if (parent == s->parent) {
    return true;
  }
  if (parent != nullptr) {
    if (parent->renderer != s->renderer) {
      return false;
    }
    for (OmbSprite* a = parent; a != nullptr; a = a->parent) {
      if (a == s) {
        return false;
      }
    }
  }
  ++s->lockCount;
  leaveLevel(s);
  ombListRemove(siblingList(s, visible(s)), &s->siblingLink);
  if (s->parent != nullptr) {
    s->parent = nullptr;
    ombSpriteUnlock(s);  // the old parent's lock; the temporary one keeps the sprite
  }
  s->flags &= ~OMB_SPRITE_VISIBLE;
  s->flags |= OMB_SPRITE_DIRTY;
  const bool show = (s->flags & OMB_SPRITE_SHOW) != 0;
  s->parent = parent;
  if (parent != nullptr) {
    if (show && visible(parent)) {
      s->flags |= OMB_SPRITE_VISIBLE;
    }
    ++s->lockCount;
  } else if (show) {
    s->flags |= OMB_SPRITE_VISIBLE;
  }
  ombListAppend(siblingList(s, visible(s)), &s->siblingLink);
  joinLevel(s);
  if (!ombSpriteUnlock(s)) {
    refreshChildren(s);
  }
  return true;
}

bool ombSpriteSetRect(OmbSprite* s, OmbSpriteRect* rect) {
  if (rect == s->rect) {
    return true;
  }
  if (rect != nullptr && rect->renderer != s->renderer) {
    return false;
  }
  if (rect == nullptr) {
    leaveLevel(s);
    OmbSpriteRect* old = s->rect;
    s->rect = nullptr;
    dropRect(old);
  } else {
    if (s->rect != nullptr) {
      OmbSpriteRect* old = s->rect;
      s->rect = rect;  // keeps its place in the level list
      dropRect(old);
    } else {
      s->rect = rect;
      joinLevel(s);
    }
    ++rect->spriteRefs;
  }
  s->flags &= ~OMB_SPRITE_QUAD_VALID;
  s->flags |= OMB_SPRITE_DIRTY;
  return true;
}

int32_t ombSpriteSetLevel(OmbSprite* s, uint32_t index) {
  if (index >= s->renderer->levelCount) {
    return static_cast<int32_t>(0x80000002u);
  }
  if (index == s->level) {
    return 1;
  }
  leaveLevel(s);
  s->level = index;
  joinLevel(s);
  s->flags |= OMB_SPRITE_DIRTY;
  return 1;
}

void ombSpriteSetRotationX(OmbSprite* s, float radians) {
  setRotation(s, s->rotationX, 0, OMB_SPRITE_ROTATE_X, radians);
}

void ombSpriteSetRotationY(OmbSprite* s, float radians) {
  setRotation(s, s->rotationY, 1, OMB_SPRITE_ROTATE_Y, radians);
}

void ombSpriteSetRotationZ(OmbSprite* s, float radians) {
  setRotation(s, s->rotationZ, 2, OMB_SPRITE_ROTATE_Z, radians);
}

void ombSpriteSetReverse(OmbSprite* s, bool x, bool y) {
  s->flags &= ~(OMB_SPRITE_REVERSE_X | OMB_SPRITE_REVERSE_Y);
  s->flags |= (x ? OMB_SPRITE_REVERSE_X : 0u) | (y ? OMB_SPRITE_REVERSE_Y : 0u) | OMB_SPRITE_DIRTY;
}

void ombSpriteSetRectReverse(OmbSprite* s, bool x, bool y) {
  s->flags &= ~(OMB_SPRITE_RECT_REVERSE_X | OMB_SPRITE_RECT_REVERSE_Y);
  s->flags |= (x ? OMB_SPRITE_RECT_REVERSE_X : 0u) | (y ? OMB_SPRITE_RECT_REVERSE_Y : 0u) |
              OMB_SPRITE_DIRTY;
}

void ombSpriteSetTransform(OmbSprite* s, const OmbSpriteMatrix* matrix) {
  if (matrix != nullptr) {
    s->transform = *matrix;
    s->flags |= OMB_SPRITE_TRANSFORM;
  } else {
    s->flags &= ~OMB_SPRITE_TRANSFORM;
  }
  s->flags |= OMB_SPRITE_DIRTY;
}
