// Reference cycles: kept by reference counting alone, freed by the collector when nothing
// reaches them and by closing the machine in any case (the leak checker watches the rest).

#include "squirrel/tests/ScriptFixture.h"

namespace {

using namespace sqtest;

int g_released = 0;
SQInteger countRelease(SQUserPointer, SQInteger) {
  ++g_released;
  return 0;
}

class Gc : public MachineTest {
 protected:
  // Leaves a weak reference to the first of two tables that refer to each other.
  void pushCycleWeakRef() {
    sq_newtable(v);  // a
    sq_newtable(v);  // b
    sq_pushstring(v, u"a", -1);
    sq_push(v, -3);
    sq_newslot(v, -3, SQFalse);  // b.a = a
    sq_pushstring(v, u"b", -1);
    sq_push(v, -2);
    sq_newslot(v, -4, SQFalse);  // a.b = b
    sq_pop(v, 1);
    sq_weakref(v, -1);
    sq_remove(v, -2);
  }
  bool weakTargetAliveBelowTop() {
    sq_getweakrefval(v, -2);
    const bool alive = sq_gettype(v, -1) != OT_NULL;
    sq_pop(v, 1);
    return alive;
  }
  bool weakTargetAlive() {
    sq_getweakrefval(v, -1);
    const bool alive = sq_gettype(v, -1) != OT_NULL;
    sq_pop(v, 1);
    return alive;
  }
};

TEST_F(Gc, CollectorFreesUnreachableCycles) {
  pushCycleWeakRef();
  EXPECT_TRUE(weakTargetAlive());  // counting alone never frees a cycle
  EXPECT_GE(sq_collectgarbage(v), 2);
  EXPECT_FALSE(weakTargetAlive());
}

TEST_F(Gc, HostReferencesKeepCyclesAlive) {
  pushCycleWeakRef();
  sq_getweakrefval(v, -1);
  HSQOBJECT a;
  sq_getstackobj(v, -1, &a);
  sq_addref(v, &a);
  sq_pop(v, 1);
  sq_collectgarbage(v);
  EXPECT_TRUE(weakTargetAlive());
  EXPECT_TRUE(sq_release(v, &a));
  sq_collectgarbage(v);
  EXPECT_FALSE(weakTargetAlive());
}

TEST_F(Gc, DroppingALongChainDoesNotRecursePerLink) {
  // Each table holds the previous one; freeing the head frees them all, one after another.
  sq_newtable(v);
  sq_weakref(v, -1);
  sq_push(v, -2);
  sq_remove(v, -3);
  for (int i = 0; i < 300000; ++i) {
    sq_newtable(v);
    sq_pushstring(v, u"next", -1);
    sq_push(v, -3);
    sq_newslot(v, -3, SQFalse);
    sq_remove(v, -2);
  }
  EXPECT_TRUE(weakTargetAliveBelowTop());
  sq_pop(v, 1);
  EXPECT_FALSE(weakTargetAlive());
}

TEST_F(Gc, ClosingFreesCyclesAndRunsReleaseHooks) {
  g_released = 0;
  // A user data whose delegate table refers back to it, and an instance of a class with a
  // release hook stored in the root table.
  sq_newuserdata(v, 16);
  sq_setreleasehook(v, -1, countRelease);
  sq_newtable(v);
  sq_pushstring(v, u"self", -1);
  sq_push(v, -3);
  sq_newslot(v, -3, SQFalse);
  sq_setdelegate(v, -2);
  sq_pop(v, 1);
  sq_pushroottable(v);
  sq_pushstring(v, u"obj", -1);
  sq_newclass(v, SQFalse);
  sq_createinstance(v, -1);
  sq_setreleasehook(v, -1, countRelease);
  sq_remove(v, -2);
  sq_newslot(v, -3, SQFalse);
  sq_pop(v, 1);
  EXPECT_EQ(g_released, 0);
  sq_close(v);
  v = nullptr;
  EXPECT_EQ(g_released, 2);
}

}  // namespace
