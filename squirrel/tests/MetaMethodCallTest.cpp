// Metamethod calls whose arguments are registers of the machine's stack, made when the stack
// is full: pushing the arguments moves the stack, and every argument must still arrive.

#include "squirrel/vm/VM.h"

#include "ScriptFixture.h"

#include <gtest/gtest.h>

namespace {

class MetaMethodCall : public sqtest::MachineTest {
 protected:
  static inline std::string seen;
  // _newslot(key, value): records what it was given.
  static SQInteger onNewSlot(HSQUIRRELVM vm) {
    const SQChar* key = nullptr;
    SQInteger value = 0;
    sq_getstring(vm, 2, &key);
    sq_getinteger(vm, 3, &value);
    seen = sqtest::narrow(key) + "=" + std::to_string(value);
    return 0;
  }
};

TEST_F(MetaMethodCall, ArgumentsSurviveTheStackGrowing) {
  // t, whose delegate has a native _newslot.
  sq_newtable(v);
  sq_newtable(v);
  sq_pushstring(v, u"_newslot", -1);
  sq_newclosure(v, onNewSlot, 0);
  sq_newslot(v, -3, SQFalse);
  sq_setdelegate(v, -2);
  // Fill the stack to its last slot with t, its key and the value: the first push of the call
  // then reallocates it.
  const int32_t room = static_cast<int32_t>(v->stack.size()) - v->top;
  for (int32_t i = 0; i < room - 3; ++i) sq_pushnull(v);
  sq_push(v, 1);
  sq_pushstring(v, u"speed", -1);
  sq_pushinteger(v, 42);
  ASSERT_EQ(static_cast<size_t>(v->top), v->stack.size());
  seen.clear();
  const int32_t t = v->top;
  ASSERT_TRUE(v->newSlot(v->stack[t - 3], v->stack[t - 2], v->stack[t - 1], false)) << lastError();
  EXPECT_EQ(seen, "speed=42");
}

}  // namespace
