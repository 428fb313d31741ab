// The execution loop's short paths (plain calls, member reads remembered per instruction) must
// give what the general paths give: scripts that mix the cases those paths leave to the general
// code, run through the whole machine.

#include "ScriptFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace {

class FastPath : public sqtest::MachineTest {
 protected:
  // Loads `main` and calls it with the root table as `this`: the integer it returns, or nothing
  // (with the failure reported) when it does not load, fails or returns something else.
  std::optional<SQInteger> callForInteger(const sqtest::FunctionData& main) {
    if (load(main) != SQ_OK) {
      ADD_FAILURE() << lastError();
      return std::nullopt;
    }
    sq_pushroottable(v);
    if (sq_call(v, 1, SQTrue, SQTrue) != SQ_OK) {
      ADD_FAILURE() << lastError();
      return std::nullopt;
    }
    SQInteger r = 0;
    if (sq_getinteger(v, -1, &r) != SQ_OK) {
      ADD_FAILURE() << "the result is not an integer";
      return std::nullopt;
    }
    return r;
  }
};

struct Case {
  const char* name;
  const char* source;
  const char* expected;
};

// One instruction meets instances of several classes, and classes that die and are replaced
// (a new class may take the old one's address) with their members in another order.
const Case kMemberCases[] = {
    {"two classes at one instruction",
     "class A { y = 1; x = 2; function f() { return \"A\" + x; } }\n"
     "class B { x = 3; function g() { return 0; } function f() { return \"B\" + x; } }\n"
     "function show(o) { return o.x + \":\" + o.f(); }\n"
     "local items = [A(), B(), A(), B()];\n"
     "foreach (o in items) print(show(o) + \" \");\n",
     "2:A2 3:B3 2:A2 3:B3 "},
    {"replaced classes with other member orders",
     "function read(o) { return o.a * 10 + o.b; }\n"
     "for (local i = 0; i < 6; i++) {\n"
     "  local C = i % 2 == 0 ? class { a = 1; b = 2; } : class { b = 3; a = 4; };\n"
     "  print(read(C()) + \" \");\n"
     "}\n",
     "12 43 12 43 12 43 "},
    {"a member the next class lacks is still an error",
     "class A { x = 1; } class B { y = 2; }\n"
     "function read(o) { return o.x; }\n"
     "print(read(A()) + \" \");\n"
     "print(read(B()));\n",
     "1 ERROR: the index 'x' does not exist"},
    {"values the short paths handle keep no reference of their own",
     "class C { x = 3; function f() { return x; } }\n"
     "local i = C();\n"
     "local w = i.weakref();\n"
     "local t = { m = i };\n"
     "local s = i.f() + i.x + t.m.x;\n"
     "i.x = 4;\n"
     "i = null; t = null;\n"
     "print(s + \" \" + (w.ref() == null));\n",
     "9 true"},
    {"one instruction meets alternating keys and a key built at run time",
     "class P { x = 1; y = 2; }\nlocal p = P(), s = \"\";\n"
     "foreach (k in [\"x\", \"y\", \"x\", \"xy\".slice(1)]) { p[k] = p[k] * 10; p[k] += 1; p[k]++; s += p[k] + \" \"; }\n"
     "print(s + p.x + \" \" + p.y);",
     "12 22 122 222 122 222"},
    {"fields of other types take the general path",
     "class F { n = 1.5; s = \"a\"; i = 2147483647; w = null; function m() { return 0; } }\n"
     "local f = F(), t = {};\nf.w = t.weakref();\n"
     "f.n++; f.s += \"b\"; f.s += 1; local old = f.i++; local now = ++f.i; f.n *= 2;\n"
     "print(f.n + \" \" + f.s + \" \" + old + \" \" + now + \" \" + (f.w == t));",
     "5 ab1 2147483647 -2147483647 true"},
    {"a method is not a field to write or step",
     "class M { function m() { return 1; } }\nlocal o = M(), k = \"m\";\n"
     "try { o[k] = 5; } catch (e) { print(e + \"; \"); }\n"
     "try { o[k] += 5; } catch (e) { print(e + \"; \"); }\n"
     "print(o[k]());",
     "the index 'm' does not exist; arith op + on between 'function' and 'integer'; 1"},
    {"a missing member is still read through _get and is still no field to write",
     "class G { x = 1; function _get(k) { return k + \"?\"; } }\n"
     "local g = G(), s = \"\";\n"
     "foreach (k in [\"x\", \"q\", \"x\"]) print(g[k] + \" \");\n"
     "foreach (k in [\"x\", \"q\"]) { g[k] = 7; print(g.x + \" \"); }",
     "1 q? 1 7 ERROR: the index 'q' does not exist"},
    {"a field changed after the first read",
     "class A { x = 1; function get() { return x; } }\n"
     "local a = A();\n"
     "print(a.get() + \" \");\n"
     "a.x = 5;\n"
     "print(a.get() + \" \" + a.x);\n",
     "1 5 5"},
};

// Calls that the loop's short call path must hand to the general one.
const Case kCallCases[] = {
    {"default parameters", "function f(a, b = 7) { return a + b; } print(f(1) + \" \" + f(1, 2));",
     "8 3"},
    {"varargs", "function f(a, ...) { return a + vargc; } print(f(1, 2, 3));", "3"},
    {"too few arguments", "function f(a, b) { return a; } print(f(1));",
     "ERROR: wrong number of parameters"},
    {"a bound environment",
     "local t = { k = 4 };\nlocal g = function() { return k; };\nprint(g.bindenv(t)());", "4"},
    {"a generator", "function g() { yield 1; yield 2; } local s = 0; foreach (v in g()) s += v; print(s);",
     "3"},
    {"a constructor", "class P { v = 0; constructor(a) { v = a * 2; } } print(P(21).v);", "42"},
    {"a tail call", "function f(n, acc) { if (n == 0) return acc; return f(n - 1, acc + n); } print(f(100, 0));",
     "5050"},
    {"tail calls from a frame with varargs and into one with defaults",
     "function d(a, b = 5) { return a + b; }\n"
     "function v(...) { return d(vargc); }\n"
     "function w(a) { return v(a, a); }\n"
     "print(w(1) + \" \" + v());",
     "7 5"},
    {"a tail call whose callee throws to the caller's trap",
     "function t(n) { throw \"no \" + n; }\n"
     "function g(n) { return t(n); }\n"
     "function f() { try { return g(3); } catch (e) { return \"caught \" + e; } }\n"
     "print(f());",
     "caught no 3"},
    {"a constructor of a class only the call holds",
     "print((class { v = 0; constructor(a) { v = a * 3; } })(5).v);", "15"},
    {"a debug hook set and removed between calls, and one a new thread takes over",
     "log <- \"\";\n"
     "function f(n) { return n < 1 ? 0 : f(n - 1); }\n"
     "f(3);\n"
     "setdebughook(function(t, s, l, name) { if (name == \"f\") ::log += t.tochar(); });\n"
     "f(1);\n"
     "newthread(f).call(0);\n"
     "setdebughook(null);\n"
     "f(3);\n"
     "print(log);",
     "ccrrcr"},
    {"frames running when a debug hook is set return through it",
     "log <- \"\";\n"
     "function g() { setdebughook(function(t, s, l, name) { if (t == 'r') ::log += name + \" \"; }); return 1; }\n"
     "function f() { return g() + 1; }\n"
     "function h() { try { return f() * 10; } catch (e) { return 0; } }\n"
     "print(h() + \" \");\n"
     "setdebughook(null);\n"
     "print(log);",
     "20 g f h "},
    {"the line of a return from a choice and from arithmetic, as a debug hook sees it",
     "log <- \"\";\n"
     "function pick(c, a, b) {\n  return c ?\n    a :\n    b;\n}\n"
     "function sum(a, b) {\n  return a +\n    b;\n}\n"
     "function f() { return pick(true, 1, 2) + pick(false, 3, 4) + sum(5, 6); }\n"
     "setdebughook(function(t, s, l, name) { if (t == 'r') ::log += name + \":\" + l + \" \"; });\n"
     "f();\n"
     "setdebughook(null);\n"
     "print(log);",
     "pick:3 pick:3 sum:8 f:11 "},
};

// Functions fetched by name through an instance's `this`: members first, then what the general
// lookup tries (_get, the instances' default delegate), then the root table.
const Case kThisCallCases[] = {
    {"a global function from a method",
     "function twice(x) { return x * 2; }\n"
     "class C { v = 4; function f() { return twice(v); } }\n"
     "local c = C(); print(c.f() + \" \" + c.f());",
     "8 8"},
    {"one call site meets classes with and without the member",
     "function name() { return \"root\"; }\n"
     "class A { function name() { return \"A\"; } }\n"
     "class B {}\n"
     "local f = function() { return name(); };\n"
     "local a = A(), b = B();\n"
     "print(f.call(a) + f.call(b) + f.call(a) + f.call(b));",
     "ArootAroot"},
    {"a class with _get answers before the root table",
     "function g() { return \"root\"; }\n"
     "class C { function _get(k) { return ::C.h; } function h() { return \"meta\"; } function f() { return g(); } }\n"
     "local c = C(); print(c.f() + \" \" + c.f());",
     "meta meta"},
    {"the instances' default delegate answers before the root table",
     "function getclass() { return null; }\n"
     "class C { function f() { return getclass() == C; } }\n"
     "local c = C(); print(c.f() + \" \" + c.f());",
     "true true"},
    {"a global replaced, then removed and added again between calls",
     "function g() { return 1; }\n"
     "class C { function f() { return g(); } }\n"
     "function two() { return 2; }\n"
     "function three() { return 3; }\n"
     "local c = C(); local s = \"\" + c.f();\n"
     "::g = two;\n"
     "s += c.f();\n"
     "for (local i = 0; i < 40; i++) getroottable()[\"pad\" + i] <- i;\n"
     "s += c.f();\n"
     "delete getroottable().g;\n"
     "::g <- three;\n"
     "s += c.f();\n"
     "print(s);\n"
     "delete getroottable().g;\n"
     "print(c.f());",
     "1223ERROR: the index 'g' does not exist"},
    {"an instance that is not this does not reach the root table",
     "function g() { return 1; }\n"
     "class C { function f(o) { return o.g(); } }\n"
     "print(C().f(C()));",
     "ERROR: the index 'g' does not exist"},
};

// Returned values: a result in a slot the return clears is moved out of it, one below the
// caller's top is copied; either way no reference stays behind.
const Case kReturnCases[] = {
    {"a returned local", "class C {}\n"
     "function make() { local o = C(); local n = 1; return o; }\n"
     "local x = make(); local w = x.weakref();\n"
     "print((w.ref() != null) + \" \"); x = null; print(w.ref() == null);",
     "true true"},
    {"a returned argument", "class C {}\n"
     "function id(a) { return a; }\n"
     "local x = C(); local y = id(x); local w = x.weakref();\n"
     "print((y == x) + \" \"); x = null; y = null; print(w.ref() == null);",
     "true true"},
    {"a constructor's result, which is dropped", "class D {}\n"
     "::w <- null;\n"
     "class C { constructor() { local o = D(); ::w = o.weakref(); return o; } }\n"
     "local c = C(); print((c instanceof C) + \" \" + (w == null));",
     "true true"},
};

// Instructions the loop runs as one (a constant load and the operator that reads it, a local's
// step and the loop's jump back) on operands their short path does not take: the general path
// gives the same values and errors.
const Case kJoinedCases[] = {
    {"a float loop counter stepped and compared with an integer",
     "local s = \"\"; for (local x = 0.5; x < 3; x++) s += x + \" \"; print(s);", "0.5 1.5 2.5 "},
    {"a prefix step of a float and of an integer",
     "local s = \"\"; for (local x = 0.5; x < 2; ++x) s += x + \",\";\n"
     "for (local i = 0; i < 3; ++i) s += i; print(s);",
     "0.5,1.5,012"},
    {"strings and mixed numbers with constants",
     "local a = \"n\"; local f = 2.5;\n"
     "print(a + 1 + \" \" + (f * 2) + \" \" + (7 % 3) + \" \" + (1 < f) + \" \" + (f >= 3) + \" \" + (f / 0.5));",
     "n1 5 1 true false 5"},
    {"an instance with a metamethod and a constant",
     "class V { v = 0; constructor(x) { v = x; } function _add(o) { return V(v + o); } }\n"
     "print((V(1) + 2).v);",
     "3"},
    {"an error raised by the operator after the load",
     "local t = null;\nprint(t * 2);", "ERROR: arith op * on between 'null' and 'integer'"},
    {"a constant divisor of zero", "local i = 4;\nprint(i % 0);", "ERROR: modulo by zero"},
    {"a constant quotient of zero", "local i = 4;\nprint(i / 0);", "ERROR: division by zero"},
    {"constants of the other number type",
     "local f = 2.5, i = 3;\n"
     "print((f * 2) + \" \" + (f - 1) + \" \" + (f < 3) + \" \" + (f % 2) + \" \" + (i * 0.5) + \" \" +\n"
     "      (i < 3.5) + \" \" + (i / 2.0) + \" \" + (i >= 3.0));",
     "5 1.5 true 0.5 1.5 true 1.5 true"},
    {"constant divisors of -1",
     "local m = -2147483647 - 1;\nprint((m / -1) + \" \" + (m % -1) + \" \" + (7 / -1) + \" \" + (m * -1));",
     "-2147483648 0 -7 -2147483648"},
    {"a bitwise operator with a float constant", "local i = 1;\nprint(i & 1.5);",
     "ERROR: bitwise op between 'integer' and 'float'"},
    {"negative zero orders above a positive zero constant",
     "local z = -0.0;\nlocal s = (z > 0.0) + \" \" + (z < 0.0) + \" \" + (z >= 0.0);\n"
     "if (z > 0.0) s += \" above\";\nprint(s);",
     "true false true above"},
    {"compound assignments to locals of each number type and of others",
     "local i = 7, f = 2.5, s = \"s\", m = -2147483647 - 1;\n"
     "i += 2; i -= 1; i *= 3; i /= 5; i %= 3; f += 1; f *= 2.0; f -= 0.5; f /= 2.0; f %= 2.0;\n"
     "s += i; m -= 1; local n = m *= 2;\n"
     "print(i + \" \" + f + \" \" + s + \" \" + m + \" \" + n + \" \" + (i += 0.5));",
     "1 1.25 s1 -2 -2 1.5"},
    {"a compound division of a local by zero", "local i = 3;\ni /= 0;", "ERROR: division by zero"},
    {"float comparisons with a NaN and with negative zero, by register and by constant",
     "local n = 0.0 / 0.0, z = -0.0, p = 0.0, one = 1.0, s = \"\";\n"
     "foreach (x in [n < one, n > one, n >= one, n <= one, n < 1.0, n > 1.0, n >= 1.0, n <= 1.0,\n"
     "               n > n, n >= n, z > p, z >= p, z < p, z <= p, p > z]) s += x ? \"1\" : \"0\";\n"
     "if (n > 1.0) s += \"a\";\nif (n <= 1.0) s += \"b\";\nif (z < 0.0) s += \"c\";\n"
     "if (z >= 0.0) s += \"d\";\nif (n < one) s += \"e\";\nif (n >= one) s += \"f\";\nprint(s);",
     "011001100111001adf"},
    {"a loop limit register that turns into a float",
     "local n = 3, s = \"\";\nfor (local i = 0; i < n; i++) { s += i; if (i == 1) n = 3.5; }\nprint(s);",
     "0123"},
    {"a loop counter that turns into a float",
     "local s = \"\";\nfor (local i = 0; i < 4; i++) { s += i + \" \"; if (i == 1) i = 1.5; }\nprint(s);",
     "0 1 2.5 3.5 "},
    {"loops counting down, never entered, and with a limit changed in the body",
     "local s = \"\", n = 5;\nfor (local i = 3; i >= 0; i--) s += i;\n"
     "for (local i = 5; i <= 4; i++) s += \"x\";\n"
     "for (local i = 0; i < n; ++i) { s += i; n--; }\n"
     "local j = 0; while (j < 3) { s += \"w\" + j; j++; }\nprint(s + \" \" + j);",
     "3210012w0w1w2 3"},
    {"a loop counter that wraps past the largest integer",
     "local c = 0, last = 0;\nfor (local i = 2147483646; i > 0; i++) { c++; last = i; }\n"
     "print(c + \" \" + last);",
     "2 2147483647"},
    {"a loop step the body reads back",
     "local s = \"\";\nfor (local i = 0; i < 3; s += i++) {}\nprint(s);", "012"},
    {"returns of either branch of a choice, objects included",
     "function pick(c, a, b) { return c ? a : b; }\n"
     "function run() {\n"
     "  local o = { v = 3 }, w = o.weakref();\n"
     "  return [pick(true, 1, 2) + \" \" + pick(false, 1, 2) + \" \" + (pick(true, o, null).v + pick(false, null, o).v), w];\n"
     "}\n"
     "local r = run();\n"
     "print(r[0] + \" \" + (r[1] == null));",
     "1 2 6 true"},
    {"counting loops of each comparison with constant limits, prefix and postfix",
     "local s = \"\";\nfor (local i = 0; i < 3; i++) s += i;\nfor (local i = 0; i <= 3; ++i) s += i;\n"
     "for (local i = 3; i > 0; i--) s += i;\nfor (local i = 3; i >= 0; --i) s += i;\n"
     "for (local i = 5; i < 3; i++) s += \"x\";\nfor (local i = 0; i < 9; i++) { if (i == 2) break; s += \"b\"; }\n"
     "for (local i = 0; i < 4; i++) { if (i % 2) continue; s += \"c\" + i; }\nprint(s);",
     "01201233213210bbc0c2"},
    {"a loop counter that turns into a string",
     "local s = \"\";\nfor (local i = 0; i < 3; i++) { s += i; i = \"a\"; }\nprint(s);",
     "ERROR: comparsion between 'a1' and '3'"},
    {"constants with a local as the operator's target",
     "local i = 9, f = 2.5, s = \"s\", m = -2147483647 - 1, b = null, r = \"\";\n"
     "i = i % 4; f = f * 2.0; s = s + 1; m = m / -1; r += i + \" \" + f + \" \" + s + \" \" + m;\n"
     "b = i < 3; r += \" \" + b; b = f >= 5.0; r += \" \" + b;\n"
     "i = i << 3; f = f - 0.5; m = m % -1; r += \" \" + i + \" \" + f + \" \" + m;\n"
     "if (i > 7) r += \" a\";\nprint(r);",
     "1 5 s1 -2147483648 true true 8 4.5 0 a"},
    {"a local divided by a constant zero", "local i = 4;\ni = i % 0;", "ERROR: modulo by zero"},
    {"constant divisors around the ones the general form keeps",
     "local m = -2147483647 - 1, n = 7;\n"
     "print((m / 2) + \" \" + (n % 2) + \" \" + (n / 1) + \" \" + (n % 1) + \" \" + (-n / 2) + \" \" + (-n % 2) + \" \" +\n"
     "      (n / 2147483647) + \" \" + (m % 2147483647) + \" \" + (m / 2147483647));",
     "-1073741824 1 7 0 -3 -1 0 -1 -1"},
    {"a constant with a local target and a left operand of another type",
     "local n = null;\nn = n * 2;", "ERROR: arith op * on between 'null' and 'integer'"},
    {"the line of the instruction that calls a metamethod, as the metamethod sees it",
     "class V {\n"
     "  function _add(o) { ::log <- ::getstackinfos(2).line; return this; }\n"
     "  function _sub(o) { ::log <- ::getstackinfos(2).line; return this; }\n"
     "  function _cmp(o) { ::log <- ::getstackinfos(2).line; return 0; }\n"
     "}\n"
     "local s = \"\", v = V();\n"
     "local a = v + 1;\ns += ::log + \" \";\n"
     "local b = v - 2;\ns += ::log + \" \";\n"
     "local c = v < V();\ns += ::log + \" \";\n"
     "local w = v;\nw += 4;\ns += ::log + \" \";\n"
     "w++;\ns += ::log + \" \";\n"
     "for (local i = 0; i < 1; i++) {\n  local q = v;\n  q -= 1;\n  s += ::log;\n}\n"
     "print(s);",
     "7 9 11 14 16 20"},
    {"arithmetic returned at once, on each operator and operand type",
     "class V { v = 0; constructor(x) { v = x; } function _add(o) { return V(v + o); } }\n"
     "function add(a, b) { return a + b; }\nfunction sub(a, b) { return a - b; }\n"
     "function mul(a, b) { return a * b; }\nfunction div(a, b) { return a / b; }\n"
     "function mod(a, b) { return a % b; }\n"
     "local s = \"\", m = -2147483647 - 1;\n"
     "foreach (p in [[7, 2], [7.5, 2.0], [7, 2.0], [\"s\", 1], [1, 0], [m, -1]])\n"
     "  foreach (f in [add, sub, mul, div, mod]) try { s += f(p[0], p[1]) + \" \"; } catch (e) { s += \"(\" + e + \") \"; }\n"
     "print(s + add(V(2), 3).v);",
     "9 5 14 3 1 9.5 5.5 15 3.75 1.5 9 5 14 3.5 1 s1 (arith op - on between 'string' and 'integer') "
     "(arith op * on between 'string' and 'integer') (arith op / on between 'string' and 'integer') "
     "(arith op % on between 'string' and 'integer') 1 1 0 (division by zero) (modulo by zero) "
     "2147483647 -2147483647 -2147483648 -2147483648 0 5"},
};

TEST_F(FastPath, JoinedInstructionsLeaveOtherOperandsToTheGeneralPath) {
  for (const Case& c : kJoinedCases) {
    EXPECT_EQ(runSource(c.source), c.expected) << c.name;
  }
}

// The loop's step finds the loop's test by how far back it is, which a long body puts out of
// reach: loops on either side of that bound count the same.
TEST_F(FastPath, LongLoopBodiesCountAsShortOnes) {
  for (const int statements : {1, 120, 126, 127, 200}) {
    std::string source = "local s = 0;\nfor (local i = 0; i < 3; i++) {";
    for (int k = 0; k < statements; ++k) source += " s += 1;";
    source += " }\nprint(s);";
    EXPECT_EQ(runSource(source), std::to_string(3 * statements)) << statements;
  }
}

// A constant divisor of -1 loaded straight before the division (the compiler negates a loaded 1
// instead, but a compiled file may say so): the smallest integer divided by it wraps and leaves
// no remainder rather than trapping.
// A call by a constant key that is not a string (the compiler's keys always are, a compiled
// file's need not be): the global found under an integer key is called.
TEST_F(FastPath, ACallByAnIntegerConstantKeyFindsTheSlot) {
  using sqtest::function;
  using sqtest::op;
  sq_pushroottable(v);
  sq_pushinteger(v, 7);
  sq_newclosure(v, [](HSQUIRRELVM vm) -> SQInteger { sq_pushinteger(vm, 42); return 1; }, 0);
  ASSERT_EQ(sq_newslot(v, -3, SQFalse), SQ_OK);
  sq_pop(v, 1);
  // PREPCALLK 1 <- [literal 0] of 0, this in 2; CALL 1 <- 1 (2, one argument); RETURN 1.
  sqtest::FunctionData main = function({int32_t{7}}, {op(8, 1, 0, 0, 2), op(6, 1, 1, 2, 1), op(19, 1, 1)}, 3);
  EXPECT_EQ(callForInteger(main), 42);
}

TEST_F(FastPath, ALoadedDivisorOfMinusOneWraps) {
  using sqtest::function;
  using sqtest::op;
  const int32_t smallest = -2147483647 - 1;
  sqtest::FunctionData main = function(
      {}, {op(2, 1, smallest), op(2, 2, -1), op(17, 3, 2, 1, '/'), op(2, 2, -1), op(17, 4, 2, 1, '%'),
           op(17, 3, 4, 3, '-'), op(19, 1, 3)},
      5);
  EXPECT_EQ(callForInteger(main), smallest);
}

TEST_F(FastPath, MemberReadsFollowTheInstanceClass) {
  for (const Case& c : kMemberCases) {
    EXPECT_EQ(runSource(c.source), c.expected) << c.name;
  }
}

TEST_F(FastPath, CallsTheShortPathLeavesToTheGeneralOne) {
  for (const Case& c : kCallCases) {
    EXPECT_EQ(runSource(c.source), c.expected) << c.name;
  }
}

TEST_F(FastPath, CallsByNameThroughThisFollowTheGeneralLookup) {
  for (const Case& c : kThisCallCases) {
    EXPECT_EQ(runSource(c.source), c.expected) << c.name;
  }
}

TEST_F(FastPath, ReturnedValuesKeepNoExtraReference) {
  for (const Case& c : kReturnCases) {
    EXPECT_EQ(runSource(c.source), c.expected) << c.name;
  }
}

TEST_F(FastPath, AFrameOwnsAClosureHeldOnlyInsideItsOwnSlots) {
  // The callee's register is the callee's own `this`, the only reference to the closure: the
  // callee overwrites it and then reads the closure's outer value.
  using sqtest::function;
  using sqtest::op;
  sqtest::FunctionData main =
      function({}, {op(2, 3, 42), op(48, 2, 0), op(6, 1, 2, 2, 1), op(19, 1, 1)}, 4);
  auto callee = std::make_unique<sqtest::FunctionData>(
      function({}, {op(2, 0, 7), op(27, 1, 0), op(19, 1, 1)}, 2));
  callee->outerValues.push_back({sqformat::OuterKind::Local, sqtest::Literal(3),
                                 sqtest::Literal(std::u16string(u"x"))});
  main.functions.push_back(std::move(callee));
  EXPECT_EQ(callForInteger(main), 42);
}

}  // namespace
