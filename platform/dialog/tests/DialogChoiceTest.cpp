// Which dialog backend a program starts with.

#include "platform/dialog/Dialog.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogChoiceTest, ScriptThenNameThenTheWindowBackend) {
  struct Case {
    const char* script;  // GAME_DIALOG_SCRIPT
    const char* name;    // GAME_DIALOG
    const char* window;  // the window layer's backend
    const char* chosen;
  };
  const Case cases[] = {
      {nullptr, nullptr, "headless", "headless"},
      {nullptr, "", "headless", "headless"},
      {nullptr, nullptr, "sdl", "gtk"},
      {nullptr, "headless", "sdl", "headless"},
      {nullptr, "gtk", "headless", "gtk"},
      // A driver script is played by the headless driver, whatever else is asked for.
      {"actions.txt", "gtk", "sdl", "headless"},
      {"", nullptr, "sdl", "gtk"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dlg::chooseBackendName(c.script, c.name, c.window), c.chosen)
        << (c.script ? c.script : "-") << " " << (c.name ? c.name : "-") << " " << c.window;
  }
}

}  // namespace
