// Native registration and signature dispatch: the typed argument readers with their messages,
// the result conversions, and the free variable that carries the native.

#include "script/ScriptNative.h"

#include "testsupport/script/ScriptTestSupport.h"

#include <string>
#include <vector>

namespace {

using scripttest::ScriptTest;
using scripttest::u8;

struct Box {
  int32_t n;
};

Box theBox{5};
int32_t recorded = 0;
int32_t calls = 0;

int32_t echoInteger(int32_t value) { return value; }
int32_t negate(int32_t value) { return -value; }
float half(float value) { return value / 2.0f; }
bool invert(bool value) { return !value; }
int32_t twoIntegers(HSQUIRRELVM, int32_t a, int32_t b) { return a * 10 + b; }
ScriptObject echoObject(HSQUIRRELVM, ScriptObject value) { return value; }
const char16_t* echoText(HSQUIRRELVM, const char16_t* text) { return text; }
const char16_t* noText(HSQUIRRELVM) { return nullptr; }
SQBool truth(int32_t value) { return static_cast<SQBool>(value); }
void noResult(HSQUIRRELVM) { ++calls; }
void record(HSQUIRRELVM, int32_t value) { recorded = value; }
Box* getBox(HSQUIRRELVM) { return &theBox; }
Box* noBox(HSQUIRRELVM) { return nullptr; }
int32_t boxValue(Box* box) { return box ? box->n : -1; }

class ScriptNativeTest : public ScriptTest {
 protected:
  ScriptNativeTest() {
    recorded = 0;
    calls = 0;
    manager.rootTable.registerFunction(u"echoInteger", &echoInteger)
        .registerFunction(u"half", &half)
        .registerFunction(u"invert", &invert)
        .registerFunction(u"twoIntegers", &twoIntegers)
        .registerFunction(u"echoObject", &echoObject)
        .registerFunction(u"echoText", &echoText)
        .registerFunction(u"noText", &noText)
        .registerFunction(u"truth", &truth)
        .registerFunction(u"noResult", &noResult)
        .registerFunction(u"record", &record)
        .registerFunction(u"getBox", &getBox)
        .registerFunction(u"noBox", &noBox)
        .registerFunction(u"boxValue", &boxValue);
  }

  // The value as "type value" for comparison in tables.
  std::string show(const std::string& expression) {
    const ScriptObject value = eval(expression);
    switch (value.getType()) {
      case OT_NULL: return "null";
      case OT_INTEGER: return "integer " + std::to_string(value.toInteger());
      case OT_FLOAT: return "float " + std::to_string(value.toFloat());
      case OT_BOOL: return value.getObject()._unVal.nInteger ? "bool true" : "bool false";
      case OT_STRING: return "string " + u8(value.toString());
      case OT_ARRAY: return "array " + std::to_string(value.getSize());
      case OT_USERPOINTER: return "userpointer";
      default: return "other";
    }
  }
};

TEST_F(ScriptNativeTest, ArgumentsAndResultsAreConvertedBySignature) {
  struct Case {
    const char* expression;
    const char* shown;
  };
  const Case cases[] = {
      {"echoInteger(2.7)", "integer 2"},
      {"echoInteger(-2.7)", "integer -2"},
      {"echoInteger(7)", "integer 7"},
      {"half(3)", "float 1.500000"},  // an integer where a float is expected; no machine handle
      {"invert(false)", "bool true"},
      {"twoIntegers(1, 2, 99)", "integer 12"},  // extra arguments are ignored
      {"echoObject([1, 2])", "array 2"},
      {"echoObject(null)", "null"},
      {"echoText(\"ab\")", "string ab"},
      {"noText()", "null"},
      {"truth(5)", "bool true"},
      {"truth(0)", "bool false"},
      {"noResult()", "null"},
      {"boxValue(getBox())", "integer 5"},
      // A null object pointer reaches the script as a user pointer that is not null, and goes
      // back to a native as a null pointer.
      {"noBox()", "userpointer"},
      {"noBox() == null", "bool false"},
      {"boxValue(noBox())", "integer -1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(show(c.expression), c.shown) << c.expression;
  }
  EXPECT_TRUE(errors().empty());
  EXPECT_EQ(calls, 1);
}

TEST_F(ScriptNativeTest, ABadArgumentNamesItsSlotAndTheNativeIsNotCalled) {
  struct Case {
    const char* expression;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"echoInteger(\"a\")", {"[] Script Error: get integer from stack(2)"}},
      {"invert(1)", {"[] Script Error: get bool from stack(2)"}},
      {"echoText(1)", {"[] Script Error: get string from stack(2)"}},
      {"boxValue(1)", {"[] Script Error: get user pointer from stack(2)"}},
      {"boxValue(null)", {"[] Script Error: get user pointer from stack(2)"}},
      {"half([])", {"[] Script Error: get float from stack(2)"}},
      // A missing argument is missing: its slot is never the closure's own free variable.
      {"twoIntegers(1)", {"[] Script Error: get integer from stack(3)"}},
      {"echoObject()", {"[] Script Error: get stack object(2)"}},
      // Arguments are read from the last: the highest slot's message comes first.
      {"twoIntegers()",
       {"[] Script Error: get integer from stack(3)", "[] Script Error: get integer from stack(2)"}},
      {"twoIntegers(\"a\", \"b\")",
       {"[] Script Error: get integer from stack(3)", "[] Script Error: get integer from stack(2)"}},
      {"record(\"x\")", {"[] Script Error: get integer from stack(2)"}},
  };
  for (const Case& c : cases) {
    clearLog();
    EXPECT_TRUE(eval(c.expression).isNull()) << c.expression;
    EXPECT_EQ(errors(), c.messages) << c.expression;
  }
  EXPECT_EQ(recorded, 0);
}

TEST_F(ScriptNativeTest, RegisteringANameAgainReplacesTheNative) {
  EXPECT_EQ(show("echoInteger(3)"), "integer 3");
  manager.rootTable.registerFunction(u"echoInteger", &negate);
  EXPECT_EQ(show("echoInteger(3)"), "integer -3");
}

TEST_F(ScriptNativeTest, ATargetThatIsNoTableOrClassIsLeftAlone) {
  const ScriptObject number = ScriptObject::newInteger(manager.vm.vm, 4);
  const SQInteger top = sq_gettop(manager.vm.vm);
  number.registerFunction(u"echoInteger", &negate);
  EXPECT_EQ(sq_gettop(manager.vm.vm), top);
  EXPECT_EQ(show("echoInteger(3)"), "integer 3");
}

TEST_F(ScriptNativeTest, NativesAreFoundThroughTheTablesThatDelegate) {
  const ScriptObject api = manager.newTable(nullptr);
  api.registerFunction(u"only", &echoInteger);
  thread = std::make_unique<ScriptThread>(&manager, api);
  EXPECT_EQ(show("only(4) + echoInteger(1)"), "integer 5");
}

TEST_F(ScriptNativeTest, ADispatcherWithoutItsFunctionReportsInsteadOfCalling) {
  // Closures of the dispatcher made by hand: one without a free variable (the last slot is then
  // an argument or `this`), one whose user data is too small to hold the function pointer.
  HSQUIRRELVM vm = manager.vm.vm;
  const SQFUNCTION dispatcher = &ScriptNative::dispatch<void (*)(HSQUIRRELVM, int32_t)>;
  {
    ScriptStackTop top(vm);
    manager.rootTable.push();
    sq_pushstring(vm, u"bare", -1);
    sq_newclosure(vm, dispatcher, 0);
    sq_newslot(vm, -3, SQFalse);
    manager.rootTable.push();
    sq_pushstring(vm, u"small", -1);
    sq_newuserdata(vm, 3);
    sq_newclosure(vm, dispatcher, 1);
    sq_newslot(vm, -3, SQFalse);
  }
  const std::pair<const char*, const char*> cases[] = {
      {"bare(5)", "[] Script Error: get user data from stack(2)"},
      {"bare()", "[] Script Error: get user data from stack(1)"},
      {"small(5)", "[] Script Error: get user data from stack(3)"},
  };
  for (const auto& [expression, message] : cases) {
    clearLog();
    EXPECT_TRUE(eval(expression).isNull()) << expression;
    EXPECT_EQ(errors(), std::vector<std::string>{message}) << expression;
  }
}

}  // namespace
