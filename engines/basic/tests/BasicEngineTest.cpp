// The basic engine as its factory makes it: the serialised arguments change owner.

#include "engines/basic/BasicEngine.h"

#include "foundation/omb/ombCore.h"
#include "host/system/System.h"
#include "script/ScriptManager.h"
#include "script/ScriptValueSerial.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(BasicEngine, TheFactoryTakesTheArgumentsOver) {
  ombCoreInit();
  LogCapture log;
  ScriptManager caller;
  System system(0);
  const ScriptObject value = ScriptObject::newInteger(caller.vm.vm, 5);
  EngineStart start;
  start.directory = u"Basic";
  start.args = serializeScriptValue(caller.vm, value);
  ASSERT_NE(start.args, nullptr);
  std::unique_ptr<::Engine> engine(engineCreate(EngineKind::Basic, system, start));
  // Without a registered factory nothing is made and the buffer is freed.
  EXPECT_EQ(engine, nullptr);
  EXPECT_EQ(start.args, nullptr);

  engineRegisterFactory(EngineKind::Basic, &basic::createEngine);
  start.args = serializeScriptValue(caller.vm, value);
  engine.reset(engineCreate(EngineKind::Basic, system, start));
  ASSERT_NE(engine, nullptr);
  // The engine owns the buffer now (it is rebuilt in its machine at set-up, and freed with the
  // engine when it never runs).
  EXPECT_EQ(start.args, nullptr);
  auto* basic = dynamic_cast<basic::Engine*>(engine.get());
  ASSERT_NE(basic, nullptr);
  EXPECT_EQ(std::u16string(basic->directory()), u"basic/");
  // Before set-up the script sees an empty table.
  const ScriptObject args = basic->argsValue(engine->scriptManager()->vm.vm);
  EXPECT_EQ(args.getType(), OT_TABLE);
  EXPECT_EQ(args.getSize(), 0);
  engineRegisterFactory(EngineKind::Basic, nullptr);
}

}  // namespace
