#pragma once

#include "script/ScriptNative.h"
#include "script/ScriptStack.h"

#include <cstdint>
#include <vector>

// Objects of the host that scripts hold (sprites, rects, images, renderers, ...) reach them as
// small integers instead of addresses: 20 bits of slot index and 11 bits of generation, so a
// handle is always a positive 32-bit integer and 0 means none. A slot's generation changes when
// its object is retired, and every handle also carries the kind it was made for, so a handle
// of a destroyed object, one of another kind and a number a script made up are all refused
// with the same script error, never followed to memory.
struct ScriptHandleKind {
  const char16_t* name;  // in the error text; kinds are told apart by address, not by name
};

class ScriptHandleTable {
 public:
  static constexpr uint32_t kIndexBits = 20;
  static constexpr uint32_t kMaxSlots = (1u << kIndexBits) - 1;  // slot 0 is never used
  static constexpr uint32_t kGenerationLimit = 1u << 11;

  // A new handle for the object. More than kMaxSlots live handles is a level-0 error ("too
  // many script handles") and gives 0.
  int32_t add(const ScriptHandleKind& kind, void* object);
  // Retires the handle: from now on it is stale. Nothing for 0 or a handle not live.
  void remove(int32_t handle);
  // The object of a live handle of that kind, else null, without a message.
  void* find(int32_t handle, const ScriptHandleKind& kind) const;
  // As find, but anything other than a live handle of that kind (0 included) is the script
  // error "[] Script Error: invalid %ls handle(%d)" with the kind's name.
  void* get(int32_t handle, const ScriptHandleKind& kind) const;
  uint32_t liveCount() const { return live_; }

  static void reportInvalid(int32_t handle, const ScriptHandleKind& kind);

 private:
  struct Slot {
    void* object = nullptr;
    const ScriptHandleKind* kind = nullptr;
    uint32_t generation = 1;
  };
  std::vector<Slot> slots_{Slot{}};
  // Retired slots are reused oldest first, so a stale handle stays stale as long as possible.
  std::vector<uint32_t> free_;
  std::size_t freeHead_ = 0;
  uint32_t live_ = 0;
};

// The one table of the process; every library that hands objects to scripts uses it. Game
// thread only.
ScriptHandleTable& scriptHandles();

// The handle of an object that keeps its own (an `int32_t handle` member, 0 until the first
// request); 0 for null. The object's owner retires it when the object goes.
template <class T>
int32_t scriptHandleOf(const ScriptHandleKind& kind, T* object) {
  if (object == nullptr) return 0;
  if (object->handle == 0) object->handle = scriptHandles().add(kind, object);
  return object->handle;
}

// Native parameter types for handles: the native receives the object (never null) or, for
// ScriptHandleOrNull, the object or null when the script passed null or 0. Anything else is
// the invalid-handle error and the native is not called.
template <class T, const ScriptHandleKind& K>
struct ScriptHandleArg {
  T* object;
  T* operator->() const { return object; }
  operator T*() const { return object; }
};

template <class T, const ScriptHandleKind& K>
struct ScriptHandleOrNull {
  T* object;
  T* operator->() const { return object; }
  operator T*() const { return object; }
};

namespace ScriptNative {

// Reads an integer handle, taking the script's null as 0.
bool readHandle(const ScriptStack& s, int32_t n, int32_t& out);

template <class T, const ScriptHandleKind& K>
struct Argument<ScriptHandleArg<T, K>> {
  using Stored = T*;
  static bool read(const ScriptStack& s, int32_t n, Stored& out) {
    int32_t handle = 0;
    if (!readHandle(s, n, handle)) {
      return false;
    }
    out = static_cast<T*>(scriptHandles().get(handle, K));
    return out != nullptr;
  }
  static ScriptHandleArg<T, K> get(Stored value) { return {value}; }
};

template <class T, const ScriptHandleKind& K>
struct Argument<ScriptHandleOrNull<T, K>> {
  using Stored = T*;
  static bool read(const ScriptStack& s, int32_t n, Stored& out) {
    int32_t handle = 0;
    if (!readHandle(s, n, handle)) {
      return false;
    }
    if (handle == 0) {
      out = nullptr;
      return true;
    }
    out = static_cast<T*>(scriptHandles().get(handle, K));
    return out != nullptr;
  }
  static ScriptHandleOrNull<T, K> get(Stored value) { return {value}; }
};

}  // namespace ScriptNative
