#pragma once

// A script machine on one of the versus engine's tables, with the self object that table's
// natives expect (the engine, a guide, a camera, a brain, a player): snippets compiled with the
// project's compiler run on it as a script of that kind would.

#include "engines/rond/RondEngine.h"

#include "script/ScriptStackTop.h"
#include "script/ScriptThread.h"
#include "script/ScriptVm.h"
#include "testsupport/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace rondtest {

class TableScript {
 public:
  TableScript(rond::Engine& engine, const ScriptObject& table, void* self)
      : thread_(new ScriptThread(engine.scriptManager(), table)) {
    thread_->context.engine = static_cast<::Engine*>(&engine);
    thread_->context.self = self;
  }
  ~TableScript() { ScriptThread::destroy(thread_); }
  TableScript(const TableScript&) = delete;
  TableScript& operator=(const TableScript&) = delete;

  ScriptObject run(const std::string& source) {
    HSQUIRRELVM vm = thread_->vm.vm;
    const std::u16string text = testsupport::u16(source);
    ScriptObject closure;
    {
      ScriptStackTop top(vm);
      if (SQ_FAILED(sq_compilebuffer(vm, text.c_str(), SQInteger(text.size()), u"snippet", SQTrue))) {
        ADD_FAILURE() << "does not compile: " << source;
        return ScriptObject();
      }
      closure = ScriptObject::fromStack(vm, -1);
    }
    return thread_->vm.prepareCall(closure).run();
  }
  ScriptObject eval(const std::string& expression) { return run("return " + expression + ";"); }
  int32_t evalInt(const std::string& expression) { return eval(expression).toInteger(); }
  float evalFloat(const std::string& expression) { return eval(expression).toFloat(); }
  std::string evalString(const std::string& expression) {
    return testsupport::u8(eval(expression).toString());
  }

 private:
  ScriptThread* thread_;
};

}  // namespace rondtest
