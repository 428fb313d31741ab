// A C++ exception thrown by a native passes through the machine (script try/catch does not
// see it) and leaves the machine consistent: usable again, and closable without leaks.

#include "squirrel/tests/ScriptFixture.h"
#include "squirrel/vm/VM.h"

#include <stdexcept>

namespace {

using namespace sqtest;

SQInteger boom(HSQUIRRELVM) { throw std::runtime_error("host failure"); }
SQInteger seven(HSQUIRRELVM v) {
  sq_pushinteger(v, 7);
  return 1;
}

// try { return NAME(); } catch (e) { return e; }
FunctionData callInsideTry(const char16_t* name) {
  return function({Literal(std::u16string(name))},
                  {op(56, 1, 3), op(8, 2, 0, 0, 3), op(6, 1, 2, 3, 1), op(57, 1), op(19, 1, 1)}, 4);
}

// boom.call(this): the native is reached through another native and a nested loop.
FunctionData callThroughCall() {
  return function({Literal(std::u16string(u"boom")), Literal(std::u16string(u"call"))},
                  {op(8, 1, 0, 0, 2), op(8, 1, 1, 1, 2), op(10, 3, 0), op(6, 1, 1, 2, 2),
                   op(19, 1, 1)},
                  4);
}

class NativeException : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    setGlobal("boom", boom);
    setGlobal("seven", seven);
  }
  void expectConsistent() {
    EXPECT_TRUE(v->calls.empty());
    EXPECT_TRUE(v->traps.empty());
    EXPECT_TRUE(v->vargs.empty());
    EXPECT_EQ(v->nativeCalls, 0);
    EXPECT_EQ(sq_getvmstate(v), SQ_VMSTATE_IDLE);
  }
};

TEST_F(NativeException, PassesThroughScriptTraps) {
  ASSERT_EQ(load(callInsideTry(u"boom")), SQ_OK);
  sq_pushroottable(v);
  EXPECT_THROW(sq_call(v, 1, SQTrue, SQTrue), std::runtime_error);
  expectConsistent();
  EXPECT_TRUE(errors.empty());
  sq_settop(v, 0);

  ASSERT_EQ(load(callInsideTry(u"seven")), SQ_OK);
  sq_pushroottable(v);
  ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK);
  SQInteger r = 0;
  EXPECT_EQ(sq_getinteger(v, -1, &r), SQ_OK);
  EXPECT_EQ(r, 7);
}

TEST_F(NativeException, UnwindsNestedLoops) {
  ASSERT_EQ(load(callThroughCall()), SQ_OK);
  for (int round = 0; round < 3; ++round) {
    sq_push(v, 1);
    sq_pushroottable(v);
    EXPECT_THROW(sq_call(v, 1, SQTrue, SQTrue), std::runtime_error);
    expectConsistent();
    sq_settop(v, 1);
  }
}

}  // namespace
