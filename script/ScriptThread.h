#pragma once

#include "foundation/omb/containers/ombList.h"
#include "script/ScriptContext.h"
#include "script/ScriptObject.h"
#include "script/ScriptVm.h"

#include <string>

class ScriptManager;

// One script task: a thread machine of a manager running one compiled script. Loading runs the
// script's top level (and, when asked, its `init`); from then on the owner calls resume() once
// per frame, which calls `work` the first time and afterwards wakes it each time it suspended.
//
// Created with `new` and owned by its creator; the manager's list only links it, and deleting
// the manager deletes the threads still listed. Values returned by a thread belong to its
// machine: drop them before the thread. Not copyable: the machine points at `context`.
struct ScriptThread {
  // Appends the thread to the manager's list. Its root table is a new table whose delegate is
  // `parentTable`, so the script's globals land there while other names are found in the parent
  // (and, through the parent's delegate, in the manager's root table).
  ScriptThread(ScriptManager* owner, const ScriptObject& parentTable);
  // Unlinks the thread and releases its machine without resuming it.
  ~ScriptThread();
  ScriptThread(const ScriptThread&) = delete;
  ScriptThread& operator=(const ScriptThread&) = delete;

  static void destroy(ScriptThread* thread) { delete thread; }

  // Loads "<path>.cnut" (archives first, then the disk) and runs its top level; with `callInit`
  // then its `init` when the root table has a non-null one, whose result is returned. A missing
  // script returns null and changes nothing, silently.
  ScriptObject load(const char16_t* path, void* engine, void* self, bool callInit);
  ScriptObject loadWithInit(const char16_t* path, void* engine, void* self) {
    return load(path, engine, self, true);
  }
  // The name resolved against the directory (ombPathResolve), loaded with init.
  ScriptObject loadRelative(const char16_t* baseDirectory, const char16_t* name, void* engine,
                            void* self);
  // One frame: the first call after a load calls `work` (null without one); later calls wake a
  // suspended `work`; a finished thread gives null.
  ScriptObject resume();

  ScriptManager* manager;
  ScriptVm vm;
  ScriptContext context;
  bool startPending = false;
  OMB_LIST_LINK link;
};

// Reads "<path>.cnut" into `closure` on the thread's machine: the interned directory of the
// script, or null (nothing reported) when there is no such file. An existing file that cannot
// be opened is "File::create"'s error; a refused stream "can't read a closure".
const char16_t* loadCompiledScript(const char16_t* path, ScriptThread* thread,
                                   ScriptObject& closure);

// The path resolved against a script directory (or against the root for null, the empty
// directory or a lone "/"), never cut.
std::u16string scriptResolvePath(const char16_t* directory, const char16_t* path);
