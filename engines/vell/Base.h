#pragma once

#include "foundation/omb/containers/ombArray.h"
#include "script/ScriptHandle.h"
#include "script/ScriptObject.h"

#include <cstdint>

struct ScriptThread;

// A script task of the field engine: the engine's root and second scripts, the camera, the map
// and each object run on one. The owner sets it up, runs its script once and resumes it every
// frame; while it runs or resumes, the engine's current base is this one (the root base for the
// second base), so natives given base id 0 act on it.
namespace vell {

class Engine;

enum BaseKind : uint32_t {
  kBaseFree = 0,
  kBaseRoot = 1,
  kBaseSecond = 2,
  kBaseCamera = 3,
  kBaseMap = 4,
  kBaseObject = 5,
};

// Scripts hold bases as handles of this kind; 0 stands for the calling script's base.
extern const ScriptHandleKind kBaseHandleKind;

struct Base {
  Base() = default;
  ~Base();
  Base(const Base&) = delete;
  Base& operator=(const Base&) = delete;

  // A free base becomes the engine's base of that kind, without a script.
  void init(Engine* owner, uint32_t baseKind, const char16_t* scriptDirectory);
  // Starts the script afresh: the share value is cleared (args stay), any earlier thread goes,
  // and "<directory><scriptName>.cnut" is loaded with its top level and "init" run. A missing
  // script leaves a thread that does nothing.
  void run(const char16_t* scriptName, const ScriptObject& table);
  // One frame of the script.
  void resume();
  // The thread and both values go and the base becomes free; a free base is left alone.
  void release();

  void setArgs(const ScriptObject& value);
  // The value rebuilt from a serialised buffer in the engine's machine; the buffer is freed.
  void setArgsFromBuffer(OMB_ARRAY* buffer);
  void setShare(const ScriptObject& value);
  // New references, or a fresh null of the engine's machine when the value is unset.
  ScriptObject getArgs() const;
  ScriptObject getShare() const;

  // The id scripts hold for this base (made on first request, retired when the base is freed).
  int32_t id();

  Engine* engine = nullptr;
  uint32_t kind = kBaseFree;
  const char16_t* directory = nullptr;
  ScriptThread* thread = nullptr;
  ScriptObject args;
  ScriptObject share;
  int32_t handle = 0;

 private:
  ScriptObject bound(const ScriptObject& value) const;
  ScriptObject valueOrNull(const ScriptObject& value) const;
};

}  // namespace vell
