#pragma once

#include "script/ScriptObject.h"
#include "squirrel/squirrel.h"

#include <cstdint>

class ScriptManager;

// A prepared call into a script: the callee and `this` are pushed, the caller pushes the
// arguments and runs it. Calls chain: sm.prepareNewVec3().pushFloat(x).pushFloat(y)...run().
struct ScriptCall {
  HSQUIRRELVM vm;
  int32_t argCount;       // arguments pushed so far, `this` not counted
  int32_t savedTop;       // the stack top before the call was prepared
  int32_t* suspendedTop;  // of the ScriptVm that prepared the call
  // Set when the preparation was refused: running then calls nothing and gives null (the
  // refusal was reported; a suspended machine must not get a new frame).
  bool refused = false;

  ScriptCall& pushFloat(float value);
  ScriptCall& pushInteger(int32_t value);
  ScriptCall& pushObject(const ScriptObject& value);
  // Calls; a failure (a run-time error, a callee that cannot be called) sets the top back and
  // reports "can't run script", giving null. When the callee suspended, its frame and arguments
  // stay on the stack for ScriptVm::wakeUp and the result is the value given to suspend.
  ScriptObject run();
};

// A machine as the host holds it: the manager's own machine (owned: closed on release) or a
// thread machine (a strong reference to the thread object).
struct ScriptVm {
  HSQUIRRELVM vm = nullptr;
  bool ownsVm = false;
  HSQOBJECT threadObject{OT_NULL, {}};
  // The stack top to restore when the suspended call finishes; -1 when none is suspended.
  int32_t suspendedTop = -1;

  // Drops the thread reference and closes an owned machine; nothing when already released.
  void release();
  ScriptObject getRootTable() const;
  // "can't prepare script because vm suspends now" when the machine is suspended or a suspended
  // call is pending (also while a woken call runs, until the wake-up returns).
  ScriptCall prepareCall(const ScriptObject& callee);

  // Makes this record a new thread machine of the manager (1024 stack slots); "can't create a
  // new thread" when that fails.
  void newThread(ScriptManager& parent);
  bool isSuspended() const;
  // Resumes a suspended call with no wake-up value: the value passed to the next suspend, or
  // what the call finally returned. "can't wake up because no script is running yet" when
  // nothing is suspended; "can't continue script" when the woken script fails.
  ScriptObject wakeUp();
};
