// A weak reference stored in a table slot, an array element, an instance field or a class
// default reads as its target, or as null once the target is gone, by every read: plain get,
// rawget, foreach and the host's get functions; comparing such a slot compares the target.

#include "squirrel/tests/ScriptFixture.h"

#include <string>

namespace {

using namespace sqtest;

class WeakSlot : public MachineTest {};

// Each row keeps `target.weakref()` in a container and defines read() to read it back. The
// steps run one by one, so that no register of a script still holds the target when it is
// dropped.
TEST_F(WeakSlot, EveryScriptReadGivesTheTarget) {
  struct Case {
    const char* read;
    const char* script;
  } cases[] = {
      {"table get", "c <- { w = target.weakref() };\nfunction read() { return c.w; }"},
      {"table index", "c <- { w = target.weakref() };\nfunction read() { return c[\"w\"]; }"},
      {"table rawget", "c <- { w = target.weakref() };\nfunction read() { return c.rawget(\"w\"); }"},
      {"table foreach", "c <- { w = target.weakref() };\nfunction read() { foreach (k, val in c) return val; }"},
      {"slot of a delegate", "c <- delegate { w = target.weakref() } : {};\nfunction read() { return c.w; }"},
      {"array element", "c <- [target.weakref()];\nfunction read() { return c[0]; }"},
      {"array foreach", "c <- [target.weakref()];\nfunction read() { foreach (val in c) return val; }"},
      {"instance field", "class C { w = null; }\nc <- C();\nc.w = target.weakref();\n"
                         "function read() { return c.w; }"},
      {"class default", "class C { w = null; }\nC.w <- target.weakref();\nfunction read() { return C().w; }"},
      {"class member", "class C { w = null; }\nC.w <- target.weakref();\nfunction read() { return C.w; }"},
      {"class foreach", "class C { w = null; }\nC.w <- target.weakref();\n"
                        "function read() { foreach (k, val in C) return val; }"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(runSource("target <- { name = \"t\" };\n" + std::string(c.script)), "") << c.read;
    EXPECT_EQ(runSource("local r = read();\n"
                        "print(typeof r + \" \" + r.name + \" \" + (r == target) + \" \" + (read() != null));"),
              "table t true true")
        << c.read;
    ASSERT_EQ(runSource("target = null;"), "");
    EXPECT_EQ(runSource("print(typeof read() + \" \" + (read() == null));"), "null true") << c.read;
  }
}

// sq_get, sq_rawget and sq_next give the target too.
TEST_F(WeakSlot, HostReadsGiveTheTarget) {
  ASSERT_EQ(runSource("::target <- { name = \"t\" };\n"
                      "::tab <- { w = target.weakref() };\n"
                      "::arr <- [target.weakref()];"),
            "");
  auto typeAfter = [&](const char16_t* container, auto read) {
    sq_pushroottable(v);
    sq_pushstring(v, container, -1);
    EXPECT_EQ(sq_get(v, -2), SQ_OK);
    read();
    const SQObjectType t = sq_gettype(v, -1);
    sq_settop(v, 0);
    return t;
  };
  auto get = [&] {
    sq_pushstring(v, u"w", -1);
    EXPECT_EQ(sq_get(v, -2), SQ_OK);
  };
  auto rawget = [&] {
    sq_pushstring(v, u"w", -1);
    EXPECT_EQ(sq_rawget(v, -2), SQ_OK);
  };
  auto rawgetElement = [&] {
    sq_pushinteger(v, 0);
    EXPECT_EQ(sq_rawget(v, -2), SQ_OK);
  };
  auto next = [&] {
    sq_pushnull(v);
    EXPECT_EQ(sq_next(v, -2), SQ_OK);
  };
  EXPECT_EQ(typeAfter(u"tab", get), OT_TABLE);
  EXPECT_EQ(typeAfter(u"tab", rawget), OT_TABLE);
  EXPECT_EQ(typeAfter(u"tab", next), OT_TABLE);
  EXPECT_EQ(typeAfter(u"arr", rawgetElement), OT_TABLE);
  EXPECT_EQ(typeAfter(u"arr", next), OT_TABLE);
  ASSERT_EQ(runSource("delete ::target;"), "");
  EXPECT_EQ(typeAfter(u"tab", get), OT_NULL);
  EXPECT_EQ(typeAfter(u"tab", rawget), OT_NULL);
  EXPECT_EQ(typeAfter(u"arr", next), OT_NULL);
}

}  // namespace
