#pragma once

#include "foundation/omb/containers/ombHash.h"
#include "foundation/omb/containers/ombList.h"
#include "script/ScriptContext.h"
#include "script/ScriptObject.h"
#include "script/ScriptVm.h"

// One script machine and what the host keeps for it: the root table with the base natives and
// the class Vec3, the threads running on it, the interned path strings and the hooks through
// which the machine reports print output, compile errors and run-time errors.
//
// Needs the framework core (ombCoreInit) for the hash table's node pool and the log. Used on
// the game thread only.
//
// Interned strings, thread pointers and every ScriptObject of the machine are invalid once the
// manager is destroyed: owners drop their handles and threads first, or leave the threads to
// the destructor.
class ScriptManager : public ScriptMachineOwner {
 public:
  ScriptManager();
  ~ScriptManager();
  ScriptManager(const ScriptManager&) = delete;
  ScriptManager& operator=(const ScriptManager&) = delete;

  // The path lower-cased (A-Z and the full-width letters) with a '/' appended unless it ends in
  // one; cut to 127 units, and a text of 127 units gets no slash. The same text always gives
  // the same pointer, valid as long as the manager.
  const char16_t* internDirectory(const char16_t* path);
  // The text lower-cased and cut to 127 units, interned the same way.
  const char16_t* internString(const char16_t* text);
  // A new empty table whose delegate is the parent, or the root table when none is given.
  ScriptObject newTable(const ScriptObject* parent);
  // Pushes the class Vec3 and the root table on the manager's machine; the caller pushes x, y
  // and z and runs the call, which gives the new instance. No suspension check is made.
  ScriptCall prepareNewVec3();

  ScriptVm vm;
  ScriptObject rootTable;
  ScriptObject vec3Class;
  OMB_LIST threads;  // ScriptThread::link; the manager deletes what is still listed
  OMB_HASH strings;  // key and value are the same heap copy of an interned text
};
