// Suspending a machine from a native and waking it from the host, as the runtime drives its
// script threads once per frame.

#include "squirrel/tests/ScriptFixture.h"

namespace {

using namespace sqtest;

SQInteger suspendMe(HSQUIRRELVM v) { return sq_suspendvm(v); }

// Calls suspendMe from native code, which must be refused.
SQInteger viaNative(HSQUIRRELVM v) {
  sq_pushroottable(v);
  sq_pushstring(v, u"suspendMe", -1);
  sq_get(v, -2);
  sq_pushroottable(v);
  sq_pushinteger(v, 1);
  if (SQ_FAILED(sq_call(v, 2, SQTrue, SQFalse))) return SQ_ERROR;
  return 1;
}

// local a = suspendMe(10); local b = suspendMe(a); return b;
FunctionData twoSuspensions() {
  return function({Literal(std::u16string(u"suspendMe"))},
                  {op(8, 3, 0, 0, 4), op(2, 5, 10), op(6, 1, 3, 4, 2), op(8, 3, 0, 0, 4),
                   op(10, 5, 1), op(6, 2, 3, 4, 2), op(19, 1, 2)},
                  6);
}

class Suspend : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    setGlobal("suspendMe", suspendMe);
    setGlobal("viaNative", viaNative);
  }
  SQInteger topInteger() {
    SQInteger i = -1;
    EXPECT_EQ(sq_getinteger(v, -1, &i), SQ_OK);
    return i;
  }
};

TEST_F(Suspend, HostWakesTheMachineUntilTheFunctionReturns) {
  ASSERT_EQ(load(twoSuspensions()), SQ_OK);
  sq_pushroottable(v);
  ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK);
  EXPECT_EQ(sq_getvmstate(v), SQ_VMSTATE_SUSPENDED);
  EXPECT_EQ(topInteger(), 10);  // the value given to suspendMe
  sq_pop(v, 1);

  sq_pushinteger(v, 7);
  ASSERT_EQ(sq_wakeupvm(v, SQTrue, SQTrue, SQTrue, SQFalse), SQ_OK);
  EXPECT_EQ(sq_getvmstate(v), SQ_VMSTATE_SUSPENDED);
  EXPECT_EQ(topInteger(), 7);  // the first wake-up value became `a`
  sq_pop(v, 1);

  sq_pushinteger(v, 99);
  ASSERT_EQ(sq_wakeupvm(v, SQTrue, SQTrue, SQTrue, SQFalse), SQ_OK);
  EXPECT_EQ(sq_getvmstate(v), SQ_VMSTATE_IDLE);
  EXPECT_EQ(topInteger(), 99);
  EXPECT_EQ(sq_gettop(v), 2);  // cut back to one slot, then the result

  EXPECT_EQ(sq_wakeupvm(v, SQFalse, SQFalse, SQTrue, SQFalse), SQ_ERROR);
  EXPECT_EQ(lastError(), "cannot resume a vm that is not running any code");
  EXPECT_TRUE(errors.empty());
}

TEST_F(Suspend, WakingWithAnErrorRaisesItAtTheSuspensionPoint) {
  ASSERT_EQ(load(twoSuspensions()), SQ_OK);
  sq_pushroottable(v);
  ASSERT_EQ(sq_call(v, 1, SQFalse, SQTrue), SQ_OK);
  sq_throwerror(v, u"stopped by the host");
  EXPECT_EQ(sq_wakeupvm(v, SQFalse, SQFalse, SQTrue, SQTrue), SQ_ERROR);
  EXPECT_EQ(errors, std::vector<std::string>{"stopped by the host"});
  EXPECT_EQ(sq_getvmstate(v), SQ_VMSTATE_IDLE);
}

TEST_F(Suspend, ThroughANativeCallIsRefused) {
  // main calls viaNative(), which calls suspendMe through sq_call.
  ASSERT_EQ(load(function({Literal(std::u16string(u"viaNative"))},
                          {op(8, 1, 0, 0, 2), op(6, 1, 1, 2, 1)}, 3)),
            SQ_OK);
  sq_pushroottable(v);
  EXPECT_EQ(sq_call(v, 1, SQFalse, SQTrue), SQ_ERROR);
  EXPECT_EQ(errors, std::vector<std::string>{"cannot suspend through native calls/metamethods"});
  EXPECT_EQ(sq_getvmstate(v), SQ_VMSTATE_IDLE);
}

TEST_F(Suspend, AThreadSuspendsWithoutTouchingItsFriend) {
  HSQUIRRELVM t = sq_newthread(v, 1024);
  HSQOBJECT threadObject;
  sq_getstackobj(v, -1, &threadObject);
  sq_addref(v, &threadObject);
  sq_pop(v, 1);
  EXPECT_EQ(sq_getforeignptr(t), nullptr);
  sq_setforeignptr(t, this);

  const auto bytes = streamOf(twoSuspensions());
  ByteSource src{&bytes};
  ASSERT_EQ(sq_readclosure(t, readBytes, &src), SQ_OK);
  sq_pushroottable(t);
  ASSERT_EQ(sq_call(t, 1, SQTrue, SQTrue), SQ_OK);
  EXPECT_EQ(sq_getvmstate(t), SQ_VMSTATE_SUSPENDED);
  EXPECT_EQ(sq_getvmstate(v), SQ_VMSTATE_IDLE);
  EXPECT_EQ(sq_getforeignptr(t), this);
  EXPECT_EQ(sq_getforeignptr(v), nullptr);
  sq_pop(t, 1);
  ASSERT_EQ(sq_wakeupvm(t, SQFalse, SQTrue, SQTrue, SQFalse), SQ_OK);
  EXPECT_EQ(sq_gettype(t, -1), OT_NULL);  // woken without a value: `a` is null
  sq_pop(t, 1);
  // Dropping a thread that is still suspended releases it without resuming it.
  sq_release(v, &threadObject);
  EXPECT_GE(sq_collectgarbage(v), 0);
}

}  // namespace
