// Compiles and runs scripts under a step and memory budget. The corpus is readable script text;
// besides libFuzzer's byte mutations, a mutator of its own inserts whole snippets that stress
// the machine's stack: metamethods that recurse, deep recursion, delegates (of the root table
// too), generators, threads, weak references, sort comparators that change their array, and
// host natives that call back into scripts or reach metamethods through the C interface.
//
// Promises checked after every run: the machine is idle again (no frame, trap, vararg or
// nested loop left, no overflow being unwound), and closing it frees everything (the leak
// checker sees the rest). The sanitizers report any stale reference into the machine's stacks.

#include "squirrel/compiler/SourceText.h"
#include "squirrel/squirrel.h"
#include "squirrel/vm/RunBudget.h"
#include "squirrel/vm/VM.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

// Per run: instructions and native calls, bytes of arrays, tables and strings taken (freed
// ones included), and the largest single block.
constexpr uint64_t kStepBudget = 300000;
constexpr std::size_t kByteBudget = std::size_t{256} << 20;
constexpr std::size_t kBlockLimit = std::size_t{16} << 20;

uint64_t g_steps = 0;
std::size_t g_bytes = 0;

struct BudgetSpent {};

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

namespace sqvm::budget {

void chargeStep() {
  if (++g_steps > kStepBudget || g_bytes > kByteBudget) throw BudgetSpent{};
}

void chargeBytes(std::size_t bytes) {
  if (bytes > kBlockLimit) throw std::bad_alloc();
  g_bytes += bytes;
}

}  // namespace sqvm::budget

namespace {

void printNothing(HSQUIRRELVM, const SQChar*, ...) {}

// The error handler the conformance runner has: walks the call stack and its locals.
SQInteger onError(HSQUIRRELVM v) {
  SQStackInfos si;
  for (SQInteger level = 1; SQ_SUCCEEDED(sq_stackinfos(v, level, &si)); ++level) {
    for (SQUnsignedInteger i = 0; sq_getlocal(v, static_cast<SQUnsignedInteger>(level), i); ++i) {
      sq_tostring(v, -1);
      sq_pop(v, 2);
    }
  }
  sq_tostring(v, 2);
  return 0;
}

// hostcall(f, args...): calls f with the root table as `this`, as a host native would.
SQInteger hostCall(HSQUIRRELVM v) {
  const SQInteger n = sq_gettop(v);
  sq_push(v, 2);
  sq_pushroottable(v);
  for (SQInteger i = 3; i <= n; ++i) sq_push(v, i);
  if (SQ_FAILED(sq_call(v, n - 1, SQTrue, SQFalse))) return SQ_ERROR;
  return 1;
}

// hostget(o, k), hostset(o, k, v), hostslot(o, k, v), hostdelete(o, k): the C interface's
// lookups with their metamethods and delegates.
SQInteger hostGet(HSQUIRRELVM v) {
  sq_push(v, 3);
  return SQ_SUCCEEDED(sq_get(v, 2)) ? 1 : SQ_ERROR;
}

SQInteger hostSet(HSQUIRRELVM v) {
  sq_push(v, 3);
  sq_push(v, 4);
  return SQ_SUCCEEDED(sq_set(v, 2)) ? 0 : SQ_ERROR;
}

SQInteger hostSlot(HSQUIRRELVM v) {
  sq_push(v, 3);
  sq_push(v, 4);
  return SQ_SUCCEEDED(sq_newslot(v, 2, SQFalse)) ? 0 : SQ_ERROR;
}

SQInteger hostDelete(HSQUIRRELVM v) {
  sq_push(v, 3);
  return SQ_SUCCEEDED(sq_deleteslot(v, 2, SQTrue)) ? 1 : SQ_ERROR;
}

// hostcmp(a, b): sq_cmp, which may call _cmp.
SQInteger hostCmp(HSQUIRRELVM v) {
  sq_push(v, 3);
  sq_push(v, 2);
  const SQInteger r = sq_cmp(v);
  sq_pushinteger(v, r);
  return 1;
}

// hoststring(x): sq_tostring, which may call _tostring.
SQInteger hostString(HSQUIRRELVM v) {
  sq_tostring(v, 2);
  return 1;
}

// hostkeys(o): the keys sq_next gives, in an array.
SQInteger hostKeys(HSQUIRRELVM v) {
  sq_newarray(v, 0);
  sq_pushnull(v);
  while (SQ_SUCCEEDED(sq_next(v, 2))) {
    sq_pop(v, 1);
    sq_arrayappend(v, -3);
  }
  sq_pop(v, 1);
  return 1;
}

void registerNative(HSQUIRRELVM v, const SQChar* name, SQFUNCTION f) {
  sq_pushroottable(v);
  sq_pushstring(v, name, -1);
  sq_newclosure(v, f, 0);
  sq_newslot(v, -3, SQFalse);
  sq_pop(v, 1);
}

void runScript(HSQUIRRELVM v, const std::u16string& source) {
  if (SQ_FAILED(sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()), u"fuzz.nut",
                                 SQFalse))) {
    return;
  }
  sq_pushroottable(v);
  sq_call(v, 1, SQFalse, SQTrue);
  // A script that suspends the machine at its top level is woken up until it ends.
  while (sq_getvmstate(v) == SQ_VMSTATE_SUSPENDED) sq_wakeupvm(v, SQFalse, SQFalse, SQTrue, SQFalse);
}

// Whole statements the mutator inserts. Each one stands alone; many end in errors on purpose.
const char* const kSnippets[] = {
    "class G { function _get(k) { return missing; } }\ntry { print(G().zz); } catch (e) {}\n",
    "class G2 { function _get(k) { return k + deep(300); } }\nprint(G2().zz);\n",
    "function deep(n) { local a = n, b = a, c = b; if (n == 0) return 0; return 1 + deep(n - 1); }\n",
    "function deepThrow(n) { local a = n; if (n == 0) throw \"x\"; return 1 + deepThrow(n - 1); }\n",
    "function down(n) { return 1 + down(n + 1); }\ntry { down(0); } catch (e) { print(e); }\n",
    "class S { function _set(k, v) { deepThrow(200); } }\ntry { S().zz = 1; } catch (e) {}\n",
    "class S2 { function _set(k, v) { this[k] = v; } }\ntry { S2().zz = 1; } catch (e) {}\n",
    "local dt = delegate { _newslot = function(k, v) { deepThrow(200); } } : {};\ndt.zz <- 1;\n",
    "local dd = delegate { _delslot = function(k) { deep(200); } } : { zz = 1 };\ndelete dd.zz;\n",
    "class T { function _tostring() { return \"\" + this; } }\ntry { print(T()); } catch (e) {}\n",
    "class T2 { function _tostring() { deepThrow(200); } }\nprint(\"\" + T2());\n",
    "class Y { function _typeof() { return typeof this; } }\ntry { typeof Y(); } catch (e) {}\n",
    "class M { function _get(k) { deep(200); return function(a) { return a; }; } }\nM().m(1);\n",
    "class K { function _cmp(o) { deep(200); return \"x\"; } }\ntry { K() < K(); } catch (e) {}\n",
    "class N { x = 1; function _nexti(p) { deep(100); return p == null ? \"x\" : null; } }\n"
    "foreach (k, v in N()) {}\n",
    "class C2 { function _cloned(o) { deep(200); } }\nclone C2();\n",
    "class A1 { function _add(o) { return deep(200) + o; } function _unm() { return -this; } }\n"
    "try { A1() + 1; -A1(); } catch (e) {}\n",
    "local ct = delegate { _call = function(s, a) { return ct(a); } } : {};\ntry { ct(1); } catch (e) {}\n",
    "delegate { _get = function(k) { return ::missing; } } : getroottable();\n",
    "delegate { _get = function(k) { return k; } } : getroottable();\n",
    "function gen(n) { for (local i = 0; i < n; i++) yield deep(i); }\nforeach (x in gen(50)) {}\n",
    "local g = gen(10);\nresume g;\nresume g;\n",
    "local th = newthread(function(n) { suspend(deep(n)); return deep(n); });\n"
    "th.call(100);\nth.wakeup(1);\n",
    "local th2 = newthread(function() { local t = newthread(deep); return t.call(100); });\nth2.call();\n",
    "local tgt = {};\nlocal wt = { w = tgt.weakref() };\nlocal wa = [tgt.weakref()];\ntgt = null;\n"
    "foreach (k, v in wt) {}\nwa[0] == null;\nwt.rawget(\"w\");\n",
    "class W { w = null; }\nW.w <- W.weakref();\nW().w;\n",
    "local arr = [3, 1, 2, 5];\narr.sort(function(a, b) { arr.resize(1); deep(100); return a - b; });\n",
    "local arr2 = [3, 1, 2];\ntry { arr2.sort(function(a, b) { arr2.append(a); return b - a; }); } catch (e) {}\n",
    "print(hostcall(deep, 200));\n",
    "try { hostcall(deepThrow, 200); } catch (e) {}\n",
    "print(hostget(G2(), \"k\"));\n",
    "try { hostset(S(), \"k\", 1); } catch (e) {}\n",
    "try { hostslot(dt, \"k\", 1); } catch (e) {}\n",
    "try { hostdelete(dd, \"k\"); } catch (e) {}\n",
    "try { hostcmp(K(), K()); } catch (e) {}\n",
    "print(hoststring(T2()));\n",
    "hostkeys(wt);\n",
    "setdebughook(function(t, s, l, n) { deep(50); });\ndeep(10);\nsetdebughook(null);\n",
    "seterrorhandler(function(e) { deep(100); });\n",
    "collectgarbage();\n",
    "local r = 2147483647 < 2147483648.0;\n",
    "compilestring(\"return deep(100)\")();\n",
    "local f2 = deep.bindenv({});\nf2.call(null, 10);\nf2.acall([null, 20]);\n",
};
constexpr std::size_t kSnippetCount = sizeof(kSnippets) / sizeof(kSnippets[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::u16string source = sqcompiler::utf8ToUtf16(text);
  HSQUIRRELVM v = sq_open(1024);
  sq_setprintfunc(v, printNothing);
  sq_newclosure(v, onError, 0);
  sq_seterrorhandler(v);
  // Scripts that use the debug hook get line information.
  sq_enabledebuginfo(v, text.find("setdebughook") != std::string_view::npos ? SQTrue : SQFalse);
  registerNative(v, u"hostcall", hostCall);
  registerNative(v, u"hostget", hostGet);
  registerNative(v, u"hostset", hostSet);
  registerNative(v, u"hostslot", hostSlot);
  registerNative(v, u"hostdelete", hostDelete);
  registerNative(v, u"hostcmp", hostCmp);
  registerNative(v, u"hoststring", hostString);
  registerNative(v, u"hostkeys", hostKeys);
  g_steps = 0;
  g_bytes = 0;
  try {
    runScript(v, source);
  } catch (const BudgetSpent&) {
  } catch (const std::bad_alloc&) {
  }
  // An exception left the machine between calls; otherwise the run ended normally.
  check(v->calls.empty() || v->suspended);
  check(v->nativeCalls == 0);
  check(!v->overflowing);
  if (v->calls.empty()) {
    check(v->traps.empty());
    check(v->vargs.empty());
  }
  g_steps = 0;
  g_bytes = 0;
  try {
    sq_collectgarbage(v);
  } catch (const std::bad_alloc&) {
  }
  sq_close(v);
  return 0;
}

// Inserts a snippet at a line start, or leaves the change to libFuzzer.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
  if (seed % 3 != 0) return LLVMFuzzerMutate(data, size, maxSize);
  const char* snippet = kSnippets[(seed / 3) % kSnippetCount];
  const size_t n = std::strlen(snippet);
  if (size + n > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
  size_t at = size ? (seed / 3 / kSnippetCount) % (size + 1) : 0;
  while (at > 0 && data[at - 1] != '\n') --at;
  std::memmove(data + at + n, data + at, size - at);
  std::memcpy(data + at, snippet, n);
  return size + n;
}
