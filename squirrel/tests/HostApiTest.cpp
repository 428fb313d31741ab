// The host interface the runtime's binding layer uses: stack, slots, native closures with a
// free variable and parameter checks, classes with type tags and instance user data.

#include "squirrel/tests/ScriptFixture.h"

namespace {

using namespace sqtest;

class HostApi : public MachineTest {
 protected:
  SQInteger integerAt(SQInteger idx) {
    SQInteger i = -1;
    EXPECT_EQ(sq_getinteger(v, idx, &i), SQ_OK);
    return i;
  }
};

TEST_F(HostApi, StackIndexesFromBaseAndTop) {
  for (int i = 1; i <= 4; ++i) sq_pushinteger(v, i * 10);
  EXPECT_EQ(sq_gettop(v), 4);
  EXPECT_EQ(integerAt(1), 10);
  EXPECT_EQ(integerAt(-1), 40);
  sq_remove(v, 2);
  EXPECT_EQ(integerAt(2), 30);
  sq_push(v, 1);
  EXPECT_EQ(integerAt(-1), 10);
  sq_settop(v, 6);
  EXPECT_EQ(sq_gettype(v, -1), OT_NULL);
  sq_pop(v, 5);
  EXPECT_EQ(sq_gettop(v), 1);
  EXPECT_EQ(sq_gettype(v, 9), OT_NULL);  // outside the frame reads as null
  const SQChar* s = nullptr;
  EXPECT_EQ(sq_getstring(v, 1, &s), SQ_ERROR);
  EXPECT_EQ(lastError(), "wrong argument type, expected 'string' got 'integer'");
}

// A returning frame drops the references its registers hold but may leave other values in
// them; raising the top over those slots gives nulls all the same.
TEST_F(HostApi, ARaisedTopIsNullOverSlotsAReturnedFrameUsed) {
  EXPECT_EQ(runSource("local a = 1, b = 2.5, c = true, d = 4, e = \"s\";\nprint(a + d);"), "5");
  const SQInteger top = sq_gettop(v);
  sq_settop(v, top + 8);
  for (SQInteger i = 1; i <= 8; ++i) EXPECT_EQ(sq_gettype(v, top + i), OT_NULL) << i;
}

TEST_F(HostApi, SlotsWithDelegatesAndRawAccess) {
  sq_newtable(v);  // the delegate
  sq_pushstring(v, u"inherited", -1);
  sq_pushinteger(v, 1);
  sq_newslot(v, -3, SQFalse);
  sq_newtable(v);  // the table
  sq_push(v, -2);
  ASSERT_EQ(sq_setdelegate(v, -2), SQ_OK);

  sq_pushstring(v, u"inherited", -1);
  ASSERT_EQ(sq_get(v, -2), SQ_OK);
  EXPECT_EQ(integerAt(-1), 1);
  sq_pop(v, 1);
  sq_pushstring(v, u"inherited", -1);
  EXPECT_EQ(sq_rawget(v, -2), SQ_ERROR);
  EXPECT_EQ(lastError(), "the index doesn't exist");

  sq_pushstring(v, u"missing", -1);
  sq_pushinteger(v, 2);
  EXPECT_EQ(sq_set(v, -3), SQ_ERROR);
  EXPECT_EQ(lastError(), "the index 'missing' does not exist");
  sq_pop(v, 2);
  sq_pushnull(v);
  sq_pushinteger(v, 2);
  EXPECT_EQ(sq_newslot(v, -3, SQFalse), SQ_ERROR);
  EXPECT_EQ(lastError(), "null is not a valid key");
  sq_pop(v, 2);

  sq_push(v, -2);
  EXPECT_EQ(sq_setdelegate(v, -3), SQ_ERROR);  // the delegate's delegate would be the table
  EXPECT_EQ(lastError(), "delagate cycle");
}

SQInteger addFree(HSQUIRRELVM v) {
  // Stack: this, the argument, then the free variable on top.
  SQInteger a = 0, b = 0;
  sq_getinteger(v, 2, &a);
  sq_getinteger(v, -1, &b);
  sq_pushinteger(v, a + b);
  return 1;
}

TEST_F(HostApi, NativeClosureWithFreeVariableAndParameterCheck) {
  sq_pushinteger(v, 100);
  sq_newclosure(v, addFree, 1);
  ASSERT_EQ(sq_setparamscheck(v, 2, u".n"), SQ_OK);
  ASSERT_EQ(sq_setnativeclosurename(v, -1, u"addFree"), SQ_OK);
  EXPECT_EQ(sq_setparamscheck(v, 2, u"n|"), SQ_ERROR);
  EXPECT_EQ(lastError(), "invalid typemask");
  sq_setparamscheck(v, 2, u".n");

  struct Case {
    std::vector<SQInteger> args;
    bool asString;
    SQRESULT result;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{5}, false, SQ_OK, ""},
      {{}, false, SQ_ERROR, "wrong number of parameters"},
      {{1, 2}, false, SQ_ERROR, "wrong number of parameters"},
      {{}, true, SQ_ERROR, "parameter 1 has an invalid type 'string' ; expected: 'integer|float'"},
  };
  for (const Case& c : cases) {
    sq_push(v, -1);
    sq_pushroottable(v);
    for (SQInteger a : c.args) sq_pushinteger(v, a);
    if (c.asString) sq_pushstring(v, u"x", -1);
    const SQInteger n = static_cast<SQInteger>(c.args.size()) + (c.asString ? 1 : 0) + 1;
    ASSERT_EQ(sq_call(v, n, SQTrue, SQFalse), c.result) << c.error;
    if (c.result == SQ_OK) {
      EXPECT_EQ(integerAt(-1), 105);
      sq_pop(v, 2);
    } else {
      EXPECT_EQ(lastError(), c.error);
      sq_pop(v, 1);
    }
  }
}

int g_tagA, g_tagOther;

TEST_F(HostApi, ClassTypeTagsAndInstanceUserData) {
  sq_newclass(v, SQFalse);
  ASSERT_EQ(sq_settypetag(v, -1, &g_tagA), SQ_OK);
  ASSERT_EQ(sq_setclassudsize(v, -1, 12), SQ_OK);
  sq_newclass(v, SQTrue);  // derived from the class on top, which it pops
  ASSERT_EQ(sq_createinstance(v, -1), SQ_OK);

  SQUserPointer up = nullptr;
  ASSERT_EQ(sq_getinstanceup(v, -1, &up, &g_tagA), SQ_OK);
  ASSERT_NE(up, nullptr);
  static_cast<float*>(up)[2] = 3.5f;  // the 12 reserved bytes belong to the instance
  EXPECT_EQ(sq_getsize(v, -1), 12);
  SQUserPointer tag = nullptr;
  ASSERT_EQ(sq_gettypetag(v, -1, &tag), SQ_OK);
  EXPECT_EQ(tag, &g_tagA);
  EXPECT_EQ(sq_getinstanceup(v, -1, &up, &g_tagOther), SQ_ERROR);
  EXPECT_EQ(lastError(), "invalid type tag");
  EXPECT_EQ(sq_setclassudsize(v, -2, 4), SQ_ERROR);
  EXPECT_EQ(lastError(), "the class is locked");
  EXPECT_EQ(sq_getinstanceup(v, -2, &up, nullptr), SQ_ERROR);
  EXPECT_EQ(lastError(), "the object is not a class instance");

  sq_push(v, -2);
  sq_push(v, -2);
  EXPECT_EQ(sq_instanceof(v), SQTrue);
}

TEST_F(HostApi, ReleaseOfAHostReferenceFreesTheObject) {
  sq_newarray(v, 3);
  HSQOBJECT a;
  sq_getstackobj(v, -1, &a);
  sq_addref(v, &a);
  sq_addref(v, &a);
  sq_weakref(v, -1);
  sq_remove(v, -2);
  EXPECT_FALSE(sq_release(v, &a));
  sq_getweakrefval(v, -1);
  EXPECT_EQ(sq_getsize(v, -1), 3);
  sq_pop(v, 1);
  EXPECT_TRUE(sq_release(v, &a));
  sq_getweakrefval(v, -1);
  EXPECT_EQ(sq_gettype(v, -1), OT_NULL);
}

}  // namespace
