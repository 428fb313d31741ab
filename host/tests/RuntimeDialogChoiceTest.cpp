// The runtime's dialog backend at start-up.

#include "host/tests/GameFolder.h"

#include <gtest/gtest.h>

#include <string>

using hosttest::contains;
using hosttest::GameFolder;
using hosttest::GameRun;

namespace {

// GTK asked for where there is no display gives way to the headless dialogs, which confirm the
// settings dialog as before; the game neither hangs nor fails.
TEST(RuntimeDialogChoice, GtkWithoutADisplayFallsBackToTheHeadlessDialogs) {
  GameFolder folder("normal");
  const GameRun run = folder.run({"--adjusterconfig"}, {"GAME_DIALOG=gtk", "GDK_BACKEND=x11"});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  EXPECT_TRUE(contains(run.errors, "dialog: \"gtk\" does not start; headless instead\n"))
      << run.errors;
  EXPECT_TRUE(contains(folder.ini(), "default=1")) << folder.ini();
}

}  // namespace
