// Script values copied between machines: the byte layout of each kind, values rebuilt on a
// second machine, the kinds that cannot cross, and buffers a reader must not trust.

#include "script/ScriptValueSerial.h"

#include "script/ScriptStackTop.h"
#include "script/Vec3.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using scripttest::ScriptTest;
using scripttest::u16;
using scripttest::u8;
using Bytes = std::vector<uint8_t>;

struct BufferDeleter {
  void operator()(OMB_ARRAY* buffer) const { freeScriptValueBuffer(buffer); }
};
using Buffer = std::unique_ptr<OMB_ARRAY, BufferDeleter>;

Bytes bytesOf(const OMB_ARRAY* buffer) {
  const auto* p = static_cast<const uint8_t*>(buffer->items);
  return Bytes(p, p + buffer->count);
}

// A buffer that holds exactly the given bytes, as the writer would have left it.
Buffer bufferOf(const Bytes& bytes) {
  Buffer buffer(new OMB_ARRAY);
  ombArrayInit(buffer.get(), 1, kScriptValueGrowStep);
  appendScriptValueBytes(buffer.get(), static_cast<uint32_t>(bytes.size()), bytes.data());
  return buffer;
}

// A canonical text of a value: table slots sorted, so two tables with the same slots compare
// equal whatever order each iterates in.
std::string describe(const ScriptObject& value) {
  switch (value.getType()) {
    case OT_NULL:
      return "null";
    case OT_BOOL: {
      HSQOBJECT object = value.getObject();
      return sq_objtobool(&object) ? "true" : "false";
    }
    case OT_INTEGER:
      return "i" + std::to_string(value.toInteger());
    case OT_FLOAT:
      return "f" + std::to_string(value.toFloat());
    case OT_STRING:
      return "'" + u8(value.toString()) + "'";
    case OT_ARRAY: {
      std::string text = "[";
      for (int32_t i = 0; i < value.getSize(); ++i) {
        text += describe(value.findSlotByIndex(i)) + ",";
      }
      return text + "]";
    }
    case OT_TABLE: {
      std::vector<std::string> slots;
      HSQUIRRELVM vm = value.getVm();
      ScriptStackTop top(vm);
      value.push();
      sq_pushnull(vm);
      while (SQ_SUCCEEDED(sq_next(vm, -2))) {
        slots.push_back(describe(ScriptObject::fromStack(vm, -2)) + "=" +
                        describe(ScriptObject::fromStack(vm, -1)));
        sq_pop(vm, 2);
      }
      std::sort(slots.begin(), slots.end());
      std::string text = "{";
      for (const std::string& slot : slots) text += slot + ",";
      return text + "}";
    }
    case OT_INSTANCE: {
      if (value.getTypeTag() != Vec3::typeTag()) {
        return "instance";
      }
      const auto* v = static_cast<const Vec3*>(value.getInstanceUp(Vec3::typeTag()));
      return "Vec3(" + std::to_string(v->x) + "," + std::to_string(v->y) + "," +
             std::to_string(v->z) + ")";
    }
    default:
      return "other";
  }
}

class ScriptValueSerialTest : public ScriptTest {
 protected:
  Buffer serialize(const std::string& expression) {
    const ScriptObject value = eval(expression);
    return Buffer(serializeScriptValue(manager.vm, value));
  }
  Bytes bytes(const std::string& expression) { return bytesOf(serialize(expression).get()); }
  // Written on this machine, read on another one.
  ScriptObject copy(const std::string& expression) {
    return deserializeScriptValue(serialize(expression).get(), target);
  }

  ScriptManager target;
};

TEST_F(ScriptValueSerialTest, EachKindHasItsByteLayout) {
  const struct {
    const char* expression;
    Bytes bytes;
  } cases[] = {
      {"null", {0x01, 0, 0, 0x01}},
      {"5", {0x02, 0, 0, 0x05, 5, 0, 0, 0}},
      {"-2", {0x02, 0, 0, 0x05, 0xFE, 0xFF, 0xFF, 0xFF}},
      {"1.0", {0x04, 0, 0, 0x05, 0, 0, 0x80, 0x3F}},
      {"true", {0x08, 0, 0, 0x01, 1, 0, 0, 0}},
      {"false", {0x08, 0, 0, 0x01, 0, 0, 0, 0}},
      {"\"xy\"", {0x10, 0, 0, 0x08, 2, 0, 0, 0, 0x78, 0, 0x79, 0, 0, 0}},
      {"\"\"", {0x10, 0, 0, 0x08, 0, 0, 0, 0, 0, 0}},
      {"\"\\x3042\"", {0x10, 0, 0, 0x08, 1, 0, 0, 0, 0x42, 0x30, 0, 0}},
      {"{}", {0x20, 0, 0, 0x0A, 0, 0, 0, 0}},
      {"[]", {0x40, 0, 0, 0x08, 0, 0, 0, 0}},
      {"[7, [null]]",
       {0x40, 0, 0, 0x08, 2, 0, 0, 0, 0x02, 0, 0, 0x05, 7, 0, 0, 0,  //
        0x40, 0, 0, 0x08, 1, 0, 0, 0, 0x01, 0, 0, 0x01}},
      {"{k = 3}",
       {0x20, 0, 0, 0x0A, 1, 0, 0, 0, 0x10, 0, 0, 0x08, 1, 0, 0, 0, 0x6B, 0, 0, 0,  //
        0x02, 0, 0, 0x05, 3, 0, 0, 0}},
      {"Vec3(1, 2, 3)",
       {0x00, 0x80, 0, 0x0A, 0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x40, 0x40}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(bytes(c.expression), c.bytes) << c.expression;
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptValueSerialTest, ValuesComeBackEqualOnAnotherMachine) {
  run("class Other { x = 1 }\n");
  const char* expressions[] = {
      "null",
      "-7",
      "0.1",
      "true",
      "\"text \\xe9\\x3042\"",
      "[1, [2, [3, []]], \"s\", null, 2.5]",
      "{a = 1, b = [true, false], c = {d = \"e\", f = {}}, g = Vec3(0.5, -1, 1e10)}",
      "{[1] = \"one\", [-3] = [4], two = 2}",
      "[Vec3(1, 2, 3), {v = Vec3(4)}]",
  };
  for (const char* expression : expressions) {
    const ScriptObject rebuilt = copy(expression);
    EXPECT_EQ(rebuilt.getVm(), target.vm.vm) << expression;
    EXPECT_EQ(describe(rebuilt), describe(eval(expression))) << expression;
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptValueSerialTest, RebuiltVec3IsANewInstanceOfTheTargetClass) {
  const ScriptObject v = copy("Vec3(1, 2, 3)");
  ASSERT_EQ(v.getType(), OT_INSTANCE);
  const auto* data = static_cast<const Vec3*>(v.getInstanceUp(Vec3::typeTag()));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->x, 1.0f);
  EXPECT_EQ(data->y, 2.0f);
  EXPECT_EQ(data->z, 3.0f);
  // The target machine's methods work on it.
  target.rootTable.setSlot(u"v", v.getObject());
  ScriptThread check(&target, target.newTable(nullptr));
  HSQUIRRELVM vm = check.vm.vm;
  const std::u16string source = u"return v.length();";
  ScriptObject closure;
  {
    ScriptStackTop top(vm);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(vm, source.c_str(),
                                              static_cast<SQInteger>(source.size()), u"check",
                                              SQTrue)));
    closure = ScriptObject::fromStack(vm, -1);
  }
  const ScriptObject length = check.vm.prepareCall(closure).run();
  EXPECT_FLOAT_EQ(length.toFloat(), std::sqrt(14.0f));
}

TEST_F(ScriptValueSerialTest, KeysOtherThanIntegersAndStringsBecomeTheEmptyString) {
  EXPECT_EQ(describe(copy("{[1.5] = 1}")), "{''=i1,}");
  EXPECT_EQ(describe(copy("{[true] = 2}")), "{''=i2,}");
  EXPECT_EQ(describe(copy("{[7] = 3, [\"7\"] = 4}")), "{'7'=i4,i7=i3,}");
}

TEST_F(ScriptValueSerialTest, KindsThatCannotCrossLeaveTheRestIntact) {
  run("class Other { x = 1 }\n"
      "function f() {}\n");
  // On their own: no bytes at all, read back as null.
  for (const char* expression : {"f", "Other", "Other()", "::print", "newthread(f)"}) {
    const Buffer buffer = serialize(expression);
    EXPECT_EQ(buffer->count, 0u) << expression;
    EXPECT_TRUE(deserializeScriptValue(buffer.get(), target).isNull()) << expression;
  }
  // Inside an array the element is a null placeholder, so later elements keep their places.
  EXPECT_EQ(describe(copy("[1, f, Other(), 4]")), "[i1,null,null,i4,]");
  // Inside a table the slot is left out and the count says so.
  EXPECT_EQ(describe(copy("{a = 1, g = f, h = Other(), z = [2]}")), "{'a'=i1,'z'=[i2,],}");
  EXPECT_EQ(bytes("{g = f}"), (Bytes{0x20, 0, 0, 0x0A, 0, 0, 0, 0}));
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptValueSerialTest, NullElementsOfArraysAreOrdinaryValues) {
  EXPECT_EQ(describe(copy("[null, 1, null]")), "[null,i1,null,]");
  EXPECT_EQ(describe(copy("{n = null}")), "{'n'=null,}");
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptValueSerialTest, NestingIsBoundedAndASelfReferenceEnds) {
  run("function nest(n) { local v = []; for (local i = 1; i < n; ++i) v = [v]; return v; }\n");
  const auto nested = [](int levels) { return "nest(" + std::to_string(levels) + ")"; };
  // The outermost array is level 0: kScriptValueMaxDepth + 1 arrays are the most that fit.
  EXPECT_EQ(describe(copy(nested(kScriptValueMaxDepth + 1))),
            describe(eval(nested(kScriptValueMaxDepth + 1))));
  EXPECT_TRUE(errors().empty());

  bytes(nested(kScriptValueMaxDepth + 2));
  ASSERT_EQ(errors().size(), 1u);
  EXPECT_EQ(errors()[0], "[] Script Error: can't serialize a value nested deeper than "
                         "256 levels");
  clearLog();

  run("loop <- {}\nloop.self <- loop\n");
  const Buffer buffer = serialize("loop");
  EXPECT_EQ(errors().size(), 1u);
  // What was written still reads back whole: the innermost copy is null.
  uint32_t position = 0;
  readScriptValue(buffer.get(), position, target);
  EXPECT_EQ(position, buffer->count);
  run("loop.self <- null\n");
}

TEST_F(ScriptValueSerialTest, FatalErrorWhileWritingLeaksNothing) {
  run("loop <- [0]\nloop[0] = loop\n");
  const ScriptObject loop = eval("loop");
  scripttest::ThrowingHook hook;
  EXPECT_THROW(serializeScriptValue(manager.vm, loop), LExceptGame);
  // The array refers to itself; break the cycle so the machine can free it.
  run("loop[0] = null\n");
}

TEST_F(ScriptValueSerialTest, NullBufferAndCutOffHeaders) {
  EXPECT_TRUE(deserializeScriptValue(nullptr, target).isNull());
  freeScriptValueBuffer(nullptr);

  const Buffer three = bufferOf({0x02, 0, 0});
  uint32_t position = 0;
  uint32_t word = 0xAAAAAAAA;
  EXPECT_FALSE(readScriptValueWord(three.get(), position, &word));
  EXPECT_EQ(position, 0u);
  EXPECT_EQ(word, 0xAAAAAAAAu);
  EXPECT_TRUE(deserializeScriptValue(three.get(), target).isNull());

  // An unknown type word gives null and consumes only itself.
  const Buffer unknown = bufferOf({0x80, 0, 0, 0x08, 0x02, 0, 0, 0x05, 9, 0, 0, 0});
  position = 0;
  EXPECT_TRUE(readScriptValue(unknown.get(), position, target).isNull());
  EXPECT_EQ(position, 4u);
  EXPECT_EQ(readScriptValue(unknown.get(), position, target).toInteger(), 9);
}

TEST_F(ScriptValueSerialTest, DamagedBuffersAreReadOnlyWithinThemselves) {
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"string longer than the buffer", {0x10, 0, 0, 0x08, 5, 0, 0, 0, 0x78, 0, 0, 0}},
      {"string count near 2^32", {0x10, 0, 0, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}},
      {"array count beyond the bytes", {0x40, 0, 0, 0x08, 0xFF, 0xFF, 0xFF, 0x7F}},
      {"table count beyond the bytes", {0x20, 0, 0, 0x0A, 2, 0, 0, 0, 0x01, 0, 0, 0x01}},
  };
  for (const auto& c : cases) {
    const Buffer buffer = bufferOf(c.bytes);
    uint32_t position = 0;
    EXPECT_TRUE(readScriptValue(buffer.get(), position, target).isNull()) << c.what;
    EXPECT_EQ(position, buffer->count) << c.what;
  }
  // Arrays nested deeper than the writer ever writes: the reader stops at its bound, and the
  // outer levels it built stay.
  Bytes deep;
  for (int level = 0; level < kScriptValueMaxDepth + 2; ++level) {
    deep.insert(deep.end(), {0x40, 0, 0, 0x08, 1, 0, 0, 0});
  }
  deep.insert(deep.end(), {0x02, 0, 0, 0x05, 1, 0, 0, 0});
  const Buffer deepBuffer = bufferOf(deep);
  uint32_t deepPosition = 0;
  ScriptObject level = readScriptValue(deepBuffer.get(), deepPosition, target);
  EXPECT_EQ(deepPosition, deepBuffer->count);
  int arrays = 0;
  while (level.getType() == OT_ARRAY) {
    ++arrays;
    level = level.findSlotByIndex(0);
  }
  EXPECT_EQ(arrays, kScriptValueMaxDepth + 1);
  EXPECT_TRUE(level.isNull());

  // Every cut of a good buffer reads without leaving it (the sanitizer build checks reads).
  const Bytes whole = bytes("{a = [1, \"xyz\", Vec3(1, 2, 3)], b = {c = 2.5}}");
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    const Buffer buffer = bufferOf(Bytes(whole.begin(), whole.begin() + cut));
    uint32_t position = 0;
    readScriptValue(buffer.get(), position, target);
    EXPECT_LE(position, buffer->count) << cut;
  }
}

}  // namespace
