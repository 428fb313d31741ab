// The natives of the configuration script, run by real compiled snippets on a script thread
// whose context points at the settings record.

#include "host/config/ConfigSettings.h"

#include "foundation/omb/ombCore.h"
#include "host/config/Config.h"
#include "platform/text/Utf8.h"
#include "script/ScriptManager.h"
#include "script/ScriptStackTop.h"
#include "script/ScriptThread.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct CoreUp {
  CoreUp() { ombCoreInit(); }
};

class ConfigSettingsTest : public testing::Test {
 protected:
  ConfigSettingsTest() {
    config.gameVersion = 258;
    settings = std::make_unique<ConfigSettings>(config);
    table = manager.newTable(nullptr);
    configRegisterNatives(table);
    thread.reset(new ScriptThread(&manager, table));
    thread->context.engine = settings.get();
  }
  ~ConfigSettingsTest() override {
    thread.reset();
    table = ScriptObject();
  }

  void run(const std::string& source) {
    HSQUIRRELVM vm = thread->vm.vm;
    const std::u16string text = platform::utf8ToUtf16(source);
    ScriptObject closure;
    {
      ScriptStackTop top(vm);
      ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(vm, text.c_str(),
                                                static_cast<SQInteger>(text.size()), u"config",
                                                SQTrue)))
          << source;
      closure = ScriptObject::fromStack(vm, -1);
    }
    thread->vm.prepareCall(closure).run();
  }

  std::vector<std::u16string> messages(int32_t level) const {
    std::vector<std::u16string> texts;
    for (const auto& m : LogCapture::messages()) {
      if (m.level == level) texts.push_back(m.text);
    }
    return texts;
  }

  CoreUp core;
  LogCapture log;
  Config config;
  std::unique_ptr<ConfigSettings> settings;
  ScriptManager manager;
  ScriptObject table;
  std::unique_ptr<ScriptThread> thread;
};

TEST_F(ConfigSettingsTest, IdentityStringsAreCutToTheirRecords) {
  run("confSetGameId(globalGetGameVersion() + 1);"
      "confSetWindowClassName(\"ABCDEFGHIJKLMNOPQRST\");"   // 20 characters
      "confSetGameTitle(\"0123456789012345678901234567890123456789\");"
      "confSetGameTitleSimple(\"simple\");"
      "confSetLogHeader(\"header\");"
      "confSetUpdater(\"update.example\", 8080, \"game/path\");");
  EXPECT_EQ(config.gameId, 259);
  EXPECT_EQ(std::u16string(settings->windowClassName), u"ABCDEFGHIJKLMNO");
  EXPECT_EQ(std::u16string(config.title), u"0123456789012345678901234567890");
  EXPECT_EQ(std::u16string(config.simpleTitle), u"simple");
  EXPECT_EQ(std::u16string(settings->logHeader), u"header");
  EXPECT_EQ(std::u16string(settings->updaterHost), u"update.example");
  EXPECT_EQ(settings->updaterPort, 8080);
  EXPECT_EQ(std::u16string(settings->updaterPath), u"game/path");
  EXPECT_TRUE(messages(OMB_LOG_ERROR).empty());
}

TEST_F(ConfigSettingsTest, InputLayoutStaysInsideItsTable) {
  std::string script = "confSetInputType(0, \"Main\"); confSetInputType(1, \"Second\");"
                       "confSetInputType(4, \"Outside\"); confSetInputType(-1, \"Outside\");"
                       "confAddInputButton(7, \"Outside\", 0, 1);";
  for (int i = 0; i < 17; ++i) {
    script += "confAddInputButton(0, \"B" + std::to_string(i) + "\", 1, " + std::to_string(i) + ");";
  }
  script += "confSetInputPadCount(9);";
  run(script);
  EXPECT_EQ(std::u16string(settings->inputTypes[0].name), u"Main");
  EXPECT_EQ(settings->activeInputTypes(), 2u);
  EXPECT_EQ(settings->inputTypes[0].buttonCount, 16u);
  EXPECT_EQ(std::u16string(settings->inputTypes[0].buttons[15].name), u"B15");
  EXPECT_EQ(settings->inputTypes[0].buttons[15].key, 15);
  EXPECT_EQ(settings->padCount, 4);
  const auto ignored = messages(OMB_LOG_MESSAGE);
  ASSERT_EQ(ignored.size(), 4u);
  EXPECT_EQ(ignored[0], u"Message: [confSetInputType] input type 4 is not 0 to 3: ignored");
  EXPECT_EQ(ignored[2], u"Message: [confAddInputButton] input type 7 is not 0 to 3: ignored");
  EXPECT_EQ(ignored[3],
            u"Message: [confAddInputButton] input type 0 already has 16 buttons: \"B16\" ignored");

  run("confSetInputPadCount(-3);");
  EXPECT_EQ(settings->padCount, 0);
}

TEST_F(ConfigSettingsTest, MissingArgumentIsABindingError) {
  run("confSetInputType(0);");
  EXPECT_FALSE(messages(OMB_LOG_ERROR).empty());
  EXPECT_EQ(settings->inputTypes[0].name[0], 0);
}

}  // namespace
