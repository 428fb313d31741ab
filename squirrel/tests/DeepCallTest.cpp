// Calls that grow the machine's stack far beyond its first size (a few hundred script frames)
// in the middle of an operation that still refers to its operands: metamethods that recurse
// before they return or throw, natives that call back into scripts, and the host interface.
// Every operand must still be there afterwards; under the address sanitizer a reference kept
// across the growth would be reported as a use after free.

#include "squirrel/tests/ScriptFixture.h"
#include "squirrel/vm/VM.h"

#include <string>

namespace {

using namespace sqtest;

// deep(n) returns n after n nested frames of a few registers each; deepThrow(n) throws at the
// bottom. Three hundred of them need several times the 1024 slots the machine starts with.
// Inside a metamethod they are named with `::`: a plain name would be looked up in `this`
// first, through the metamethod itself.
const char* const kPrelude =
    "function deep(n) { local a = n, b = a, c = b, d = c; if (n == 0) return 0; return 1 + deep(n - 1); }\n"
    "function deepThrow(n) { local a = n, b = a, c = b, d = c; if (n == 0) throw \"deep\"; return 1 + deepThrow(n - 1); }\n";

class DeepCall : public MachineTest {
 protected:
  std::string run(const std::string& body) { return runSource(std::string(kPrelude) + body); }
};

TEST_F(DeepCall, MetamethodsThatRecurseBeforeReturningOrThrowing) {
  struct Case {
    const char* path;
    const char* script;
    const char* output;
  } cases[] = {
      {"_get on an instance, throwing",
       "class C { function _get(k) { ::deepThrow(300); } }\n"
       "local v = C();\ntry { print(v.zz); } catch (e) { print(e); }",
       "the index 'zz' does not exist"},
      {"_get on an instance, returning",
       "class C { function _get(k) { return k + ::deep(300); } }\nprint(C().zz);", "zz300"},
      {"_get through a table's delegate, returning",
       "local t = delegate { _get = function(k) { return k + ::deep(300); } } : {};\nprint(t.zz);",
       "zz300"},
      {"_set on an instance, throwing",
       "class C { x = 1; function _set(k, val) { ::deepThrow(300); } }\n"
       "local v = C();\ntry { v.zz = 5; } catch (e) { print(e); }",
       "the index 'zz' does not exist"},
      {"_set through a table's delegate, returning",
       "::seen <- [];\n"
       "local t = delegate { _set = function(k, val) { ::seen.append(k + val + ::deep(300)); } } : {};\n"
       "t.zz = 5;\nprint(seen[0]);",
       "zz5300"},
      {"_get and _set of a compound assignment",
       "class C { function _get(k) { return ::deep(300); } function _set(k, val) { ::print(k + val); } }\n"
       "local v = C();\nv.zz += 1;",
       "zz301"},
      {"_newslot on an instance, throwing",
       "class C { function _newslot(k, val) { ::deepThrow(300); } }\n"
       "try { C().zz <- 1; } catch (e) { print(e); }",
       "class instances do not support the new slot operator"},
      {"_newslot through a table's delegate, throwing (the slot is made directly)",
       "local t = delegate { _newslot = function(k, val) { ::deepThrow(300); } } : {};\n"
       "t.zz <- 7;\nprint(t.zz);",
       "7"},
      {"_delslot through a table's delegate, throwing (the slot is removed directly)",
       "local t = delegate { _delslot = function(k) { ::deepThrow(300); } } : { zz = 3 };\n"
       "print(delete t.zz);\nprint(\"zz\" in t);",
       "3false"},
      {"_delslot on an instance, throwing",
       "class C { function _delslot(k) { ::deepThrow(300); } }\n"
       "try { delete C().zz; } catch (e) { print(e); }",
       "cannot delete a slot from instance"},
      {"_tostring in a concatenation, throwing (the plain text is used)",
       "class C { function _tostring() { ::deepThrow(300); } }\nprint((\"\" + C()).slice(0, 10));",
       "(instance "},
      {"_tostring in print, returning",
       "class C { function _tostring() { return \"c\" + ::deep(300); } }\nprint(C());", "c300"},
      {"_typeof, throwing", "class C { function _typeof() { ::deepThrow(300); } }\nprint(typeof C());",
       "instance"},
      {"_typeof, returning", "class C { function _typeof() { return \"t\" + ::deep(300); } }\nprint(typeof C());",
       "t300"},
      {"a method looked up through _get",
       "class C { function _get(k) { ::deep(300); return function(a, b) : (k) { return k + a + b; }; } }\n"
       "print(C().m(1, 2));",
       "m12"},
      {"_cmp returning a non-integer",
       "class C { function _cmp(o) { ::deep(300); return \"x\"; } }\n"
       "try { print(C() < C()); } catch (e) { print(e); }",
       "comparsion between 'instance' and 'instance'"},
      {"_add and _unm",
       "class C { function _add(o) { return ::deep(300) + o; } function _unm() { return -::deep(300); } }\n"
       "print(C() + 1);\nprint(-C());",
       "301-300"},
      {"_call of a table",
       "local t = delegate { _call = function(self, a) { return ::deep(300) + a; } } : {};\nprint(t(5));",
       "305"},
      {"_nexti of foreach",
       "class C { x = 1; function _nexti(prev) { ::deep(300); return prev == null ? \"x\" : null; } }\n"
       "foreach (k, val in C()) print(k + \"=\" + val);",
       "x=1"},
      {"_cloned", "class C { x = 1; function _cloned(o) { x = ::deep(300); } }\nprint((clone C()).x);",
       "300"},
      {"_inherited", "class B { function _inherited(a) { ::deepThrow(300); } }\nclass D extends B {}\nprint(typeof D);",
       "class"},
      {"a sort comparator",
       "local a = [3, 1, 2];\na.sort(function(x, y) { ::deep(300); return x - y; });\n"
       "print(a[0] + \",\" + a[1] + \",\" + a[2]);",
       "1,2,3"},
      {"a generator resumed by foreach",
       "function gen() { yield ::deep(300); yield 2; }\nforeach (x in gen()) print(x + \";\");", "300;2;"},
      {"a thread", "local t = newthread(function(n) { return ::deep(n); });\nprint(t.call(300));", "300"},
      {"call and pcall",
       "function f(a) { return a + ::deep(300); }\nprint(f.call(this, 1));\nprint(f.pcall(this, 2));",
       "301302"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.script), c.output) << c.path;
    EXPECT_EQ(v->top, 0) << c.path;
  }
}

// A native that calls back into scripts (f(300) for its first argument) and then returns its
// second argument.
SQInteger callBack(HSQUIRRELVM vm) {
  const SQChar* before = nullptr;
  sq_getstring(vm, 3, &before);
  sq_push(vm, 2);
  sq_pushroottable(vm);
  sq_pushinteger(vm, 300);
  if (SQ_FAILED(sq_call(vm, 2, SQTrue, SQFalse))) return SQ_ERROR;
  SQInteger depth = 0;
  sq_getinteger(vm, -1, &depth);
  const SQChar* after = nullptr;
  if (SQ_FAILED(sq_getstring(vm, 3, &after)) || after != before || depth != 300) {
    return sq_throwerror(vm, u"the arguments were lost");
  }
  sq_push(vm, 3);
  return 1;
}

TEST_F(DeepCall, NativeThatCallsBackIntoScripts) {
  setGlobal("callBack", callBack);
  EXPECT_EQ(run("print(callBack(deep, \"arg\") + ::deep(3));"), "arg3");
  EXPECT_EQ(run("try { callBack(deepThrow, \"arg\"); } catch (e) { print(e); }"), "deep");
}

// The host interface: lookups and comparisons whose operands are slots of the host's stack.
TEST_F(DeepCall, HostInterfaceOperandsOnTheStack) {
  ASSERT_EQ(run("class C { function _get(k) { return k + ::deep(300); }\n"
                "  function _cmp(o) { ::deep(300); return \"x\"; } }\n"
                "::a <- C();\n::b <- C();"),
            "");
  sq_pushroottable(v);
  sq_pushstring(v, u"a", -1);
  ASSERT_EQ(sq_get(v, -2), SQ_OK);
  sq_pushstring(v, u"zz", -1);
  ASSERT_EQ(sq_get(v, -2), SQ_OK) << lastError();
  const SQChar* s = nullptr;
  ASSERT_EQ(sq_getstring(v, -1, &s), SQ_OK);
  EXPECT_EQ(narrow(s), "zz300");
  sq_pop(v, 1);
  sq_pushstring(v, u"b", -1);
  ASSERT_EQ(sq_get(v, 1), SQ_OK);
  sq_cmp(v);
  EXPECT_EQ(lastError(), "comparsion between 'instance' and 'instance'");
  sq_settop(v, 0);
}

}  // namespace
