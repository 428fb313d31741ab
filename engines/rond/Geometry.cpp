#include "engines/rond/Geometry.h"

#include "foundation/dbtl/DCp932Text.h"
#include "model/L3DAnimData.h"
#include "model/L3DGroupData.h"
#include "model/L3DModelTypes.h"
#include "model/anim/L3DAnimInstance.h"

#include <cstring>

namespace rond {

namespace {

// Names above this many code-page bytes are cut, as the engine's name buffers cut them.
constexpr size_t kNameBytes = 128;

const char* textOf(const dbtl::DString& s) { return s.GetText() != nullptr ? s.GetText() : ""; }

template <class T, class F>
void forEach(dbtl::DList<T>& list, F f) {
  for (auto it = list.Begin(); it != list.End(); it = dbtl::DListBase::Next(it)) {
    f(dbtl::DList<T>::Get(it));
  }
}

}  // namespace

bool sameAnimName(const char* a, size_t lengthA, const char* b, size_t lengthB) {
  return l3dNameEquals(a, uint32_t(lengthA), b, uint32_t(lengthB));
}

int32_t AnimEntry::lastFrame() const {
  return data ? int32_t(data->endFrame) : 0;
}

int32_t AnimEntry::loopFrame() const {
  if (!data) return 0;
  const uint32_t loop = data->loopFrame + 1;
  return int32_t(data->endFrame < loop ? data->endFrame : loop);
}

Geometry::~Geometry() {
  entries.clear();
  model.reset();
}

bool Geometry::hasCollisionKind(uint32_t slot) const {
  if (!model.data) return false;
  bool found = false;
  forEach(model.data->collGroups, [&](const dbtl::rcptr<L3DCollGroupData>& group) {
    if (group->type == slot) found = true;
  });
  return found;
}

void Geometry::build() {
  flags = 0;
  if (hasCollisionKind(0)) flags |= kGeometryHasExtents;
  if (hasCollisionKind(3)) flags |= kGeometryHasBody;
  if (hasCollisionKind(4)) flags |= kGeometryHasAttack;
  entries.clear();
  defaultEntry = nullptr;
  if (model.data && model.instance) {
    forEach(model.data->anims, [&](const dbtl::rcptr<L3DAnimData>& anim) {
      const char* name = textOf(anim->name);
      if (!da3dIsUsableAnimName(name)) return;
      auto entry = std::make_unique<AnimEntry>();
      entry->geometry = this;
      entry->data = anim;
      entry->anim = model.instance->GetAnimInstance(anim);
      if (sameAnimName(name, std::strlen(name), "default", 7)) defaultEntry = entry.get();
      entries.push_back(std::move(entry));
    });
  }
  if (defaultEntry == nullptr) {
    auto placeholder = std::make_unique<AnimEntry>();
    placeholder->geometry = this;
    defaultEntry = placeholder.get();
    entries.push_back(std::move(placeholder));
  }
}

AnimEntry* Geometry::findAnimation(const char16_t* name) const {
  std::string wanted = dbtl::DCp932FromUtf16(name != nullptr ? name : u"");
  if (wanted.size() > kNameBytes) wanted.resize(kNameBytes);
  for (const auto& entry : entries) {
    if (entry->isPlaceholder()) continue;
    const char* text = textOf(entry->data->name);
    if (sameAnimName(text, std::strlen(text), wanted.data(), wanted.size())) return entry.get();
  }
  return defaultEntry;
}

}  // namespace rond
