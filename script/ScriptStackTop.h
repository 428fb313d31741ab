#pragma once

#include "squirrel/squirrel.h"

// Remembers a machine's stack top (relative to the frame base) and sets it back when the scope
// ends, also when a native's fatal error leaves by an exception. restore() sets it back early,
// before a message is reported.
class ScriptStackTop {
 public:
  explicit ScriptStackTop(HSQUIRRELVM vm) : vm_(vm), top_(sq_gettop(vm)) {}
  ~ScriptStackTop() { sq_settop(vm_, top_); }
  ScriptStackTop(const ScriptStackTop&) = delete;
  ScriptStackTop& operator=(const ScriptStackTop&) = delete;

  SQInteger top() const { return top_; }
  void restore() const { sq_settop(vm_, top_); }

 private:
  HSQUIRRELVM vm_;
  SQInteger top_;
};
