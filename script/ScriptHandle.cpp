#include "script/ScriptHandle.h"

#include "script/ScriptError.h"

namespace {

uint32_t indexOf(int32_t handle) {
  return static_cast<uint32_t>(handle) & ScriptHandleTable::kMaxSlots;
}

uint32_t generationOf(int32_t handle) {
  return static_cast<uint32_t>(handle) >> ScriptHandleTable::kIndexBits;
}

}  // namespace

int32_t ScriptHandleTable::add(const ScriptHandleKind& kind, void* object) {
  uint32_t index = 0;
  if (freeHead_ < free_.size()) {
    index = free_[freeHead_++];
    if (freeHead_ == free_.size()) {
      free_.clear();
      freeHead_ = 0;
    }
  } else if (slots_.size() <= kMaxSlots) {
    index = static_cast<uint32_t>(slots_.size());
    slots_.push_back(Slot{});
  } else {
    scriptError(u"[%ls] Script Error: too many script handles");
    return 0;
  }
  Slot& slot = slots_[index];
  slot.object = object;
  slot.kind = &kind;
  ++live_;
  return static_cast<int32_t>((slot.generation << kIndexBits) | index);
}

void ScriptHandleTable::remove(int32_t handle) {
  if (handle <= 0) {
    return;
  }
  const uint32_t index = indexOf(handle);
  if (index == 0 || index >= slots_.size()) {
    return;
  }
  Slot& slot = slots_[index];
  if (slot.kind == nullptr || slot.generation != generationOf(handle)) {
    return;
  }
  slot.object = nullptr;
  slot.kind = nullptr;
  slot.generation = slot.generation + 1 == kGenerationLimit ? 1 : slot.generation + 1;
  --live_;
  free_.push_back(index);
}

void* ScriptHandleTable::find(int32_t handle, const ScriptHandleKind& kind) const {
  if (handle <= 0) {
    return nullptr;
  }
  const uint32_t index = indexOf(handle);
  if (index == 0 || index >= slots_.size()) {
    return nullptr;
  }
  const Slot& slot = slots_[index];
  if (slot.kind != &kind || slot.generation != generationOf(handle)) {
    return nullptr;
  }
  return slot.object;
}

void* ScriptHandleTable::get(int32_t handle, const ScriptHandleKind& kind) const {
  void* object = find(handle, kind);
  if (object == nullptr) {
    reportInvalid(handle, kind);
  }
  return object;
}

void ScriptHandleTable::reportInvalid(int32_t handle, const ScriptHandleKind& kind) {
  scriptError(u"[%ls] Script Error: invalid %ls handle(%d)", kind.name, handle);
}

ScriptHandleTable& scriptHandles() {
  static ScriptHandleTable table;
  return table;
}

bool ScriptNative::readHandle(const ScriptStack& s, int32_t n, int32_t& out) {
  if (n >= 1 && n <= s.top && s.getType(n) == OT_NULL) {
    out = 0;
    return true;
  }
  return s.readInteger(n, out);
}
