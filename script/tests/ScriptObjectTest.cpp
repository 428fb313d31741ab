// ScriptObject: references held while a handle lives, slot access through delegates, the typed
// accessors' conversions and fallbacks, and the stack left as it was found.

#include "script/ScriptObject.h"

#include "script/ScriptStack.h"
#include "script/Vec3.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using scripttest::ScriptTest;
using scripttest::u16;
using scripttest::u8;

class ScriptObjectTest : public ScriptTest {
 protected:
  ScriptObjectTest() {
    // One statement a line: on a script's top level a statement ending in '}' takes no ';' (the
    // ';' is an empty statement that the next statement on the same line must be separated
    // from), as the language has always compiled it.
    run("t <- { i = 2.9, n = -2.9, s = \"text\", b = true, one = 1, nul = null, f = 1.5 }\n"
        "a <- [5, 2.5, \"x\", true]\n"
        "v <- Vec3(1, 2, 3)\n");
    table = global("t");
    array = global("a");
  }
  ScriptObject global(const char* name) {
    return thread->vm.getRootTable().getSlot(u16(name).c_str());
  }
  ScriptObject key(const char16_t* text) { return ScriptObject::newString(text, vm()); }
  HSQUIRRELVM vm() const { return thread->vm.vm; }

  ScriptObject table;
  ScriptObject array;
};

TEST_F(ScriptObjectTest, TypedReadsConvertOnlyTheirOwnKinds) {
  EXPECT_EQ(table.getIntegerSlot(u"i"), 2);
  EXPECT_EQ(table.getIntegerSlot(u"n"), -2);
  EXPECT_EQ(table.getIntegerSlot(u"s"), 0);
  EXPECT_EQ(table.getIntegerSlot(u"missing"), 0);
  EXPECT_EQ(table.getIntegerSlotByKey(key(u"one").getObject(), 9), 1);
  EXPECT_EQ(table.getIntegerSlotByKey(key(u"b").getObject(), 9), 9);
  EXPECT_EQ(array.getIntegerSlotByIndex(1, 9), 2);
  EXPECT_EQ(array.getIntegerSlotByIndex(2, 9), 9);
  EXPECT_EQ(array.getIntegerSlotByIndex(40, 9), 9);

  EXPECT_FLOAT_EQ(table.getFloatSlot(u"one"), 1.0f);
  EXPECT_FLOAT_EQ(table.getFloatSlot(u"s"), 0.0f);
  EXPECT_FLOAT_EQ(array.getFloatSlotByIndex(1, -1.0f), 2.5f);
  EXPECT_FLOAT_EQ(array.getFloatSlotByIndex(3, -1.0f), -1.0f);
  EXPECT_FLOAT_EQ(table.getFloatSlotByKey(key(u"f").getObject(), 0.0f), 1.5f);

  // Only bools count as bools: the integer 1 reads as false.
  EXPECT_TRUE(table.getBoolSlot(u"b"));
  EXPECT_FALSE(table.getBoolSlot(u"one"));
  EXPECT_TRUE(array.getBoolSlotByIndex(3));
  EXPECT_FALSE(array.getBoolSlotByIndex(0));
  EXPECT_TRUE(table.getBoolSlotByKey(key(u"b").getObject()));

  EXPECT_EQ(u8(table.getStringSlot(u"s")), "text");
  ASSERT_NE(table.getStringSlot(u"missing"), nullptr);
  EXPECT_EQ(u8(table.getStringSlot(u"missing")), "");
  EXPECT_EQ(u8(table.getStringSlot(u"i")), "");
  EXPECT_EQ(u8(array.getStringSlotByIndex(2)), "x");
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptObjectTest, ASlotHoldingNullCountsAsAbsent) {
  EXPECT_TRUE(table.findSlot(u"nul").isNull());
  EXPECT_FALSE(table.hasSlot(u"nul"));
  EXPECT_TRUE(table.hasSlot(u"s"));
  EXPECT_FALSE(table.hasSlotByKey(key(u"nul").getObject()));
  EXPECT_TRUE(errors().empty());
  EXPECT_TRUE(table.getSlot(u"nul").isNull());
  EXPECT_TRUE(array.getSlotByIndex(9).isNull());
  EXPECT_EQ(errors(), (std::vector<std::string>{"[] Script Error: can't find object(nul)",
                                                "[] Script Error: can't find object(9)"}));
}

TEST_F(ScriptObjectTest, LookupsFollowDelegatesAndWritesStayInTheTable) {
  const ScriptObject engineTable = manager.newTable(nullptr);
  // The manager's root table holds the base natives and Vec3.
  EXPECT_EQ(engineTable.findSlot(u"mathSqrt").getType(), OT_NATIVECLOSURE);
  EXPECT_EQ(engineTable.findSlot(u"Vec3").getType(), OT_CLASS);
  const ScriptObject child = manager.newTable(&engineTable);
  engineTable.setIntegerSlot(u"level", 3);
  EXPECT_EQ(child.getIntegerSlot(u"level"), 3);
  child.setIntegerSlot(u"level", 4);
  EXPECT_EQ(child.getIntegerSlot(u"level"), 4);
  EXPECT_EQ(engineTable.getIntegerSlot(u"level"), 3);
  EXPECT_FALSE(manager.rootTable.hasSlot(u"level"));
}

TEST_F(ScriptObjectTest, WritesByNameIndexAndKey) {
  const ScriptObject k = key(u"speed");
  table.setFloatSlotByKey(k.getObject(), 2.5f);
  table.setIntegerSlotByKey(key(u"count").getObject(), 8);
  table.setBoolSlotByKey(key(u"on").getObject(), true);
  array.setFloatSlotByIndex(0, 0.5f);
  array.setSlotByIndex(2, key(u"y").getObject());
  table.setSlot(u"copy", array.getObject());
  EXPECT_FLOAT_EQ(table.getFloatSlot(u"speed"), 2.5f);
  EXPECT_EQ(table.getIntegerSlot(u"count"), 8);
  EXPECT_TRUE(table.getBoolSlot(u"on"));
  EXPECT_FLOAT_EQ(array.getFloatSlotByIndex(0, 0.0f), 0.5f);
  EXPECT_EQ(u8(array.getStringSlotByIndex(2)), "y");
  EXPECT_EQ(u8(eval("t.copy[2]").toString()), "y");
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptObjectTest, FailedWritesNameTheirKey) {
  const ScriptObject number = ScriptObject::newInteger(vm(), 1);
  array.setFloatSlotByIndex(7, 1.0f);
  number.setIntegerSlot(u"x", 1);
  array.setIntegerSlotByKey(key(u"k").getObject(), 1);
  number.setSlot(u"y", table.getObject());
  EXPECT_EQ(errors(), (std::vector<std::string>{"[] Script Error: can't set value(7)",
                                                "[] Script Error: can't set value(x)",
                                                "[] Script Error: can't set value(k)",
                                                "[] Script Error: can't set value(y)"}));
}

TEST_F(ScriptObjectTest, UserPointerSlots) {
  int target = 0;
  table.setSlot(u"p", ScriptObject::newUserPointer(vm(), &target).getObject());
  EXPECT_EQ(table.getUserPointerSlot(u"p"), &target);
  EXPECT_EQ(table.getUserPointerSlotByKey(key(u"p").getObject()), &target);
  EXPECT_TRUE(errors().empty());
  EXPECT_EQ(table.getUserPointerSlot(u"zz"), nullptr);
  EXPECT_EQ(table.getUserPointerSlot(u"s"), nullptr);
  EXPECT_EQ(table.getUserPointerSlotByKey(key(u"q").getObject()), nullptr);
  EXPECT_EQ(errors(),
            (std::vector<std::string>{"[] Script Error: can't find slot(zz) for user pointer",
                                      "[] Script Error: can't get user pointer",
                                      "[] Script Error: can't find slot(q) for user pointer"}));
}

TEST_F(ScriptObjectTest, SizesTagsAndInstances) {
  EXPECT_EQ(key(u"日本").getSize(), 2);
  EXPECT_EQ(array.getSize(), 4);
  EXPECT_EQ(table.getSize(), 7);
  const ScriptObject v = global("v");
  EXPECT_EQ(v.getTypeTag(), Vec3::typeTag());
  EXPECT_EQ(manager.vec3Class.getTypeTag(), Vec3::typeTag());
  const auto* data = static_cast<const Vec3*>(v.getInstanceUp(Vec3::typeTag()));
  ASSERT_NE(data, nullptr);
  EXPECT_FLOAT_EQ(data->y, 2.0f);
  EXPECT_TRUE(errors().empty());

  // An instance has no size a caller could use; a number has no tag nor instance data.
  EXPECT_EQ(v.getSize(), 0);
  EXPECT_EQ(table.getTypeTag(), nullptr);
  EXPECT_EQ(table.getInstanceUp(Vec3::typeTag()), nullptr);
  EXPECT_EQ(array.getUserPointer(), nullptr);
  EXPECT_EQ(errors(), (std::vector<std::string>{"[] Script Error: can't get object size",
                                                "[] Script Error: can't get object type tag",
                                                "[] Script Error: can't get instance up",
                                                "[] Script Error: can't get user pointer"}));
}

TEST_F(ScriptObjectTest, ConversionsAndReassignment) {
  EXPECT_EQ(table.findSlot(u"n").toInteger(), -2);
  EXPECT_FLOAT_EQ(table.findSlot(u"one").toFloat(), 1.0f);
  EXPECT_EQ(table.toInteger(), 0);
  EXPECT_EQ(u8(table.toString()), "");
  ScriptObject value = ScriptObject::newNull(vm());
  value.assignInteger(-7);
  EXPECT_EQ(value.getType(), OT_INTEGER);
  EXPECT_EQ(value.toInteger(), -7);
  value.assignFloat(0.25f);
  EXPECT_FLOAT_EQ(value.toFloat(), 0.25f);
  value.assignString(u"abc");
  EXPECT_EQ(u8(value.toString()), "abc");
  value.assignString(nullptr);
  EXPECT_TRUE(value.isNull());
}

TEST_F(ScriptObjectTest, AHandleKeepsItsValueAliveUntilTheLastCopyGoes) {
  // A weak reference in a table slot reads as the value it refers to, or null once it is gone.
  run("function watch(x) { w <- x.weakref(); }"
      "function alive() { return w != null; }");
  ScriptObject first = ScriptObject::newTable(vm());
  thread->vm.prepareCall(global("watch")).pushObject(first).run();
  ScriptObject copy = first;
  ScriptObject assigned = ScriptObject::newInteger(vm(), 1);
  assigned = copy;
  const ScriptObject& same = assigned;
  assigned = same;  // self-assignment keeps the reference
  ScriptObject moved = std::move(copy);
  first = ScriptObject();
  EXPECT_EQ(eval("alive()").getObject()._unVal.nInteger, 1);
  moved = ScriptObject();
  EXPECT_EQ(eval("alive()").getObject()._unVal.nInteger, 1);
  assigned = ScriptObject::newFloat(vm(), 2.0f);
  sq_collectgarbage(vm());
  EXPECT_EQ(eval("alive()").getObject()._unVal.nInteger, 0);
}

TEST_F(ScriptObjectTest, EveryOperationLeavesTheStackTopWhereItWas) {
  const ScriptObject k = key(u"s");
  const ScriptObject v = global("v");
  const std::vector<std::pair<const char*, std::function<void()>>> operations = {
      {"findSlot", [&] { table.findSlot(u"s"); }},
      {"findSlot missing", [&] { table.findSlot(u"missing"); }},
      {"getSlot missing", [&] { table.getSlot(u"missing"); }},
      {"findSlotByIndex", [&] { array.findSlotByIndex(1); }},
      {"findSlotByKey", [&] { table.findSlotByKey(k.getObject()); }},
      {"hasSlot", [&] { table.hasSlot(u"b"); }},
      {"typed reads", [&] { table.getIntegerSlot(u"i"), table.getStringSlot(u"x"); }},
      {"user pointer missing", [&] { table.getUserPointerSlot(u"zz"); }},
      {"setSlot", [&] { table.setSlot(u"z", k.getObject()); }},
      {"setSlot failing", [&] { array.setFloatSlotByIndex(99, 1.0f); }},
      {"getSize", [&] { table.getSize(); }},
      {"getSize failing", [&] { v.getSize(); }},
      {"getInstanceUp", [&] { v.getInstanceUp(Vec3::typeTag()); }},
      {"getInstanceUp failing", [&] { table.getInstanceUp(Vec3::typeTag()); }},
      {"new values", [&] { ScriptObject::newArray(vm(), 3), ScriptObject::newBool(vm(), true); }},
      {"delegate", [&] { table.setDelegate(manager.rootTable.getObject()); }},
      {"root table", [&] { thread->vm.getRootTable(); }},
      {"new Vec3", [&] { manager.prepareNewVec3().pushFloat(1).pushFloat(2).pushFloat(3).run(); }},
  };
  for (const auto& [name, operation] : operations) {
    const SQInteger threadTop = sq_gettop(vm());
    const SQInteger managerTop = sq_gettop(manager.vm.vm);
    operation();
    EXPECT_EQ(sq_gettop(vm()), threadTop) << name;
    EXPECT_EQ(sq_gettop(manager.vm.vm), managerTop) << name;
  }
}

TEST_F(ScriptObjectTest, StackReadersOfANativeFrame) {
  // A frame as a dispatcher builds it for f(this, 1.5, "s"): `top` counts `this` and the
  // arguments only.
  HSQUIRRELVM machine = vm();
  ScriptStackTop top(machine);
  const SQInteger base = sq_gettop(machine);
  sq_pushroottable(machine);
  sq_pushfloat(machine, 1.5f);
  sq_pushstring(machine, u"s", -1);
  // Readers count from the frame base; here the "frame" starts after what was on the stack.
  ASSERT_EQ(base, 0) << "the thread's stack is expected to be empty between calls";
  const ScriptStack stack{machine, 3};
  EXPECT_EQ(stack.getType(2), OT_FLOAT);
  EXPECT_FLOAT_EQ(stack.getFloat(2), 1.5f);
  EXPECT_EQ(u8(stack.getObject(3).toString()), "s");
  EXPECT_TRUE(errors().empty());
  EXPECT_EQ(stack.getType(0), OT_NULL);
  EXPECT_EQ(stack.getType(4), OT_NULL);
  EXPECT_TRUE(stack.getObjectArgument(4).isNull());
  EXPECT_FLOAT_EQ(stack.getFloat(3), 0.0f);
  EXPECT_EQ(stack.getInstanceUp(2, Vec3::typeTag()), nullptr);
  EXPECT_EQ(errors(), (std::vector<std::string>{"[] Script Error: get stack type(0)",
                                                "[] Script Error: get stack type(4)",
                                                "[] Script Error: get stack object(4)",
                                                "[] Script Error: get float from stack(3)",
                                                "[] Script Error: get instance up from stack(2)"}));
}

}  // namespace
