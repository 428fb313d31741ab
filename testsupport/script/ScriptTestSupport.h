#pragma once

// Shared by the script tests: a manager with one thread on a fresh framework core, every log
// message recorded (the error hook returns, so a level-0 report lets the code go on with its
// fallback), and helpers that compile a snippet with the project's compiler and run it on the
// thread, as a loaded script's top level would run.

#include "foundation/lerr/LExceptGame.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombCore.h"
#include "script/ScriptManager.h"
#include "script/ScriptStackTop.h"
#include "script/ScriptThread.h"
#include "testsupport/LogCapture.h"
#include "testsupport/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace scripttest {

using testsupport::u16;
using testsupport::u8;

// The framework core comes up before the capture replaces the log output.
struct CoreUp {
  CoreUp() { ombCoreInit(); }
};

// A hook that ends the run the way the host's does, for tests of what a fatal error leaves.
// Afterwards a hook that returns is back, as LogCapture installs it.
class ThrowingHook {
 public:
  ThrowingHook() { ombLogSetErrorHook(&hook); }
  ~ThrowingHook() { ombLogSetErrorHook(&ignore); }
  ThrowingHook(const ThrowingHook&) = delete;
  ThrowingHook& operator=(const ThrowingHook&) = delete;

 private:
  static void hook(int32_t level) {
    if (level == OMB_LOG_ERROR) {
      throw LExceptGame();
    }
  }
  static void ignore(int32_t) {}
};

// The compiled fixture scripts, packed into one archive, registered on a fresh file layer for
// the life of the object (archives stay registered until the layer shuts down).
class FixtureArchive {
 public:
  FixtureArchive() {
    ombFileUninit();
    ombFileInit();
    EXPECT_EQ(ombFileRegistPack(u16(TEST_SCRIPTS_ARCHIVE).c_str()), OMB_OK);
  }
  ~FixtureArchive() {
    ombFileUninit();
    ombFileInit();
  }
  FixtureArchive(const FixtureArchive&) = delete;
  FixtureArchive& operator=(const FixtureArchive&) = delete;
};

class ScriptTest : public testing::Test {
 protected:
  ScriptTest() : thread(new ScriptThread(&manager, manager.newTable(nullptr))) {}

  // The texts logged at one level, in order.
  static std::vector<std::string> logged(int32_t level) {
    std::vector<std::string> texts;
    for (const LogCapture::Message& m : LogCapture::messages()) {
      if (m.level == level) {
        texts.push_back(u8(m.text));
      }
    }
    return texts;
  }
  static std::vector<std::string> errors() { return logged(OMB_LOG_ERROR); }
  static void clearLog() { LogCapture::messages().clear(); }

  // Compiles the snippet on the thread's machine and runs it with the thread's root table as
  // `this`; its globals land in that table.
  ScriptObject run(const std::string& source) {
    HSQUIRRELVM vm = thread->vm.vm;
    const std::u16string text = u16(source);
    ScriptObject closure;
    {
      ScriptStackTop top(vm);
      if (SQ_FAILED(sq_compilebuffer(vm, text.c_str(), static_cast<SQInteger>(text.size()),
                                     u"snippet", SQTrue))) {
        ADD_FAILURE() << "does not compile: " << source;
        return ScriptObject();
      }
      closure = ScriptObject::fromStack(vm, -1);
    }
    return thread->vm.prepareCall(closure).run();
  }
  // The value of one expression.
  ScriptObject eval(const std::string& expression) { return run("return " + expression + ";"); }
  float evalFloat(const std::string& expression) {
    const ScriptObject value = eval(expression);
    EXPECT_EQ(value.getType(), OT_FLOAT) << expression;
    return value.toFloat();
  }
  std::string evalString(const std::string& expression) {
    const ScriptObject value = eval(expression);
    EXPECT_EQ(value.getType(), OT_STRING) << expression;
    return u8(value.toString());
  }

  CoreUp core;
  LogCapture log;
  ScriptManager manager;
  std::unique_ptr<ScriptThread> thread;
};

}  // namespace scripttest
