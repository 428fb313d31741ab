// The simple engine as its factory makes it for the System.

#include "engines/simple/SimpleEngine.h"

#include "foundation/omb/ombCore.h"
#include "host/system/System.h"
#include "script/ScriptManager.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SimpleEngine, TheFactoryInternsTheScriptDirectory) {
  struct Case {
    const char16_t* given;
    const char16_t* directory;
  } cases[] = {
      {u"start", u"start/"},
      {u"Start/Title", u"start/title/"},
      {u"menu/", u"menu/"},
      {u"", u"/"},
  };
  ombCoreInit();
  LogCapture log;
  System system(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(c.given)));
    EngineStart start;
    start.directory = c.given;
    std::unique_ptr<::Engine> engine(simple::createEngine(system, start));
    auto* simple = dynamic_cast<simple::Engine*>(engine.get());
    ASSERT_NE(simple, nullptr);
    EXPECT_EQ(std::u16string(simple->directory()), c.directory);
    // Interned in the engine's own machine: the same text gives the same pointer there.
    EXPECT_EQ(simple->directory(), engine->scriptManager()->internDirectory(c.given));
    EXPECT_EQ(engine->system(), &system);
    EXPECT_FALSE(engine->quitRequested());
    EXPECT_TRUE(engine->taskEnabled());
    // Nothing is loaded before the engine runs.
    EXPECT_EQ(simple->loadDirectory(), nullptr);
    EXPECT_FALSE(simple->controllerExists(0));
  }
}

}  // namespace
