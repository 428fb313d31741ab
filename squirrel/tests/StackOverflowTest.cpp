// Recursion that does not end: through metamethods it stops at the nesting limit of execution
// loops ("Native stack overflow"), through plain script calls at the machine's stack limit
// ("stack overflow"). Either error reaches the script or the host at once, however the
// recursion is shaped, and the machine stays usable.

#include "squirrel/tests/ScriptFixture.h"
#include "squirrel/vm/VM.h"

#include <chrono>
#include <string>

namespace {

using namespace sqtest;

class StackOverflow : public MachineTest {
 protected:
  // Runs `script` and returns its output; fails the test when it takes a second or more.
  std::string runTimed(const std::string& script) {
    const auto start = std::chrono::steady_clock::now();
    std::string out = runSource(script);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(1)) << script;
    return out;
  }
  void expectIdle() {
    EXPECT_TRUE(v->calls.empty());
    EXPECT_EQ(v->nativeCalls, 0);
    EXPECT_FALSE(v->overflowing);
    EXPECT_EQ(v->top, 0);
  }
};

// Each script counts the metamethod calls it makes in `calls` and prints the count after the
// error: the count stays linear in the nesting limit.
TEST_F(StackOverflow, RecursionThroughMetamethodsEndsWithTheOverflow) {
  struct Case {
    const char* shape;
    const char* script;
    const char* output;
  } cases[] = {
      {"_get reading an unknown name inside itself",
       "calls <- 0;\n"
       "class Lazy { function _get(k) { ::calls++; return missing; } }\n"
       "try { print(Lazy().zz); } catch (e) { print(e + \" \" + calls); }",
       "Native stack overflow 99"},
      {"_get reading two global names without ::, each through itself first",
       "calls <- 0;\nverbose <- false;\nfallback <- null;\n"
       "class Lazy { function _get(k) { ::calls++; if (verbose) ::print(k); return fallback; } }\n"
       "try { print(Lazy().zz); } catch (e) { print(e + \" \" + calls); }",
       "Native stack overflow 99"},
      {"_get of an instance and of the root table's delegate, each falling back on the other",
       "calls <- 0;\n"
       "class Lazy { function _get(k) { ::calls++; return missing; } }\n"
       "thing <- Lazy();\n"
       "delegate { _get = function(k) { ::calls++; return ::thing.missing; } } : getroottable();\n"
       "try { print(thing.zz); } catch (e) { print(e + \" \" + calls); }",
       "Native stack overflow 99"},
      {"_tostring concatenating itself",
       "calls <- 0;\n"
       "class Loop { function _tostring() { ::calls++; return \"<\" + this + \">\"; } }\n"
       "try { print(Loop()); } catch (e) { print(e + \" \" + calls); }",
       "Native stack overflow 98"},
      {"_set assigning through itself",
       "calls <- 0;\n"
       "class Loop { function _set(k, val) { ::calls++; this[k] = val; } }\n"
       "try { Loop().zz = 1; } catch (e) { print(e + \" \" + calls); }",
       "Native stack overflow 99"},
      {"_newslot of a delegate creating the slot through itself",
       "calls <- 0;\n"
       "local t = delegate { _newslot = function(k, val) { ::calls++; this[k] <- val; } } : {};\n"
       "try { t.zz <- 1; } catch (e) { print(e + \" \" + calls + \" \" + (\"zz\" in t)); }",
       "Native stack overflow 99 false"},
      {"_typeof asking for its own type",
       "calls <- 0;\n"
       "class Loop { function _typeof() { ::calls++; return typeof this; } }\n"
       "try { print(typeof Loop()); } catch (e) { print(e + \" \" + calls); }",
       "Native stack overflow 99"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runTimed(c.script), c.output) << c.shape;
    expectIdle();
  }
}

// Uncaught, the overflow is what the host and the error handler see; afterwards metamethods
// work again.
TEST_F(StackOverflow, UncaughtOverflowReachesTheHostAndPasses) {
  EXPECT_EQ(runTimed("class Lazy { function _get(k) { return missing; } }\nprint(Lazy().zz);"),
            "ERROR: Native stack overflow");
  EXPECT_EQ(errors, std::vector<std::string>{"Native stack overflow"});
  expectIdle();
  EXPECT_EQ(runSource("class Named { function _get(k) { return k; } }\nprint(Named().zz);"), "zz");
}

// A script catching the overflow inside the recursion goes on normally from there.
TEST_F(StackOverflow, CaughtInsideTheRecursion) {
  EXPECT_EQ(runTimed("depth <- 0;\n"
                     "class Lazy { function _get(k) {\n"
                     "  ::depth++;\n"
                     "  try { return missing; } catch (e) { return e + \" at \" + ::depth; } } }\n"
                     "print(Lazy().zz);"),
            "Native stack overflow at 99");
  expectIdle();
}

// Each thread counts its own nesting, but all of them nest on one native stack: a thread that
// calls a new thread, and so on, stops at the limit for all threads together.
TEST_F(StackOverflow, RecursionThroughThreads) {
  EXPECT_EQ(runTimed("function spawn() { return newthread(spawn).call(); }\n"
                     "try { spawn(); } catch (e) { print(e); }"),
            "Native stack overflow");
  EXPECT_EQ(runTimed("function hook(type, src, line, name) { if (type == 'c') newthread(::hook).call(type); }\n"
                     "setdebughook(hook);\nfunction f() {}\nf();\nsetdebughook(null);\nprint(\"ended\");"),
            "ended");
  expectIdle();
  EXPECT_EQ(v->ss->nativeCalls, 0);
}

// Plain recursion stops at the stack limit with an error the script can catch and the handler
// can report; the machine then runs as before.
TEST_F(StackOverflow, ScriptRecursionStopsAtTheStackLimit) {
  // Small frames reach the limit of frames, big ones the limit of slots.
  EXPECT_EQ(runSource("function down(n) { return 1 + down(n + 1); }\n"
                      "try { down(0); } catch (e) { print(e); }"),
            "stack overflow");
  expectIdle();
  std::string locals = "local a0";
  for (int i = 1; i < 120; ++i) locals += ", a" + std::to_string(i);
  EXPECT_EQ(runSource("function wide(n) { " + locals + "; return 1 + wide(n + 1); }\nwide(0);"),
            "ERROR: stack overflow");
  EXPECT_EQ(errors, std::vector<std::string>{"stack overflow"});
  expectIdle();
  EXPECT_EQ(runSource("function sum(n) { return n == 0 ? 0 : n + sum(n - 1); }\nprint(sum(5000));"),
            "12502500");
}

}  // namespace
