// The host's side of a network session: the options tests move, and the waiting dialog on the
// dialog layer.

#include "host/config/ConfigNetHost.h"

#include "platform/dialog/Dialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(ConfigNetHost, OptionsFromTheEnvironment) {
  const NetOptions defaults;
  struct Case {
    const char* port;
    const char* bind;
    const char* echoes;
    uint16_t wantPort;
    uint32_t wantBind;
    uint32_t wantEchoes;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, defaults.hostPort, 0, defaults.latencyEchoes},
      {"15000", "127.0.0.1", "10", 15000, 0x7F000001u, 10},
      {"65535", "10.1.2.3", "1", 65535, 0x0A010203u, 1},
      // Values that do not parse keep the defaults: a port outside 1..65535 would wrap into
      // another one, and no echo at all would measure nothing.
      {"0", "localhost", "0", defaults.hostPort, 0, defaults.latencyEchoes},
      {"65536", "", "-3", defaults.hostPort, 0, defaults.latencyEchoes},
      {"14141x", "1.2.3.4.5", "ten", defaults.hostPort, 0, defaults.latencyEchoes},
      {"-1", "300.0.0.1", "", defaults.hostPort, 0, defaults.latencyEchoes},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.port ? c.port : "(none)") + " " + (c.bind ? c.bind : "(none)"));
    const NetOptions options = configNetOptions(c.port, c.bind, c.echoes);
    EXPECT_EQ(options.hostPort, c.wantPort);
    EXPECT_EQ(options.bindAddress, c.wantBind);
    EXPECT_EQ(options.latencyEchoes, c.wantEchoes);
    EXPECT_EQ(options.timeoutPolls, defaults.timeoutPolls);
  }
}

TEST(ConfigNetHost, TheWaitingDialogIsOneWindowWhoseTextChanges) {
  DialogNetDialog dialog(u"Fixture Game");
  const size_t before = dlg::Layer::windows().size();
  EXPECT_FALSE(dialog.isOpen());

  dialog.show(NET_DIALOG_WAITING);
  ASSERT_TRUE(dialog.isOpen());
  ASSERT_EQ(dlg::Layer::windows().size(), before + 1);
  const dlg::Window& window = *dlg::Layer::windows().back();
  EXPECT_EQ(window.title(), u"Fixture Game");
  EXPECT_TRUE(window.visible);
  ASSERT_EQ(window.controls().size(), 1u);
  EXPECT_EQ(window.controls()[0]->text, NET_DIALOG_WAITING);

  // A second text changes the open window instead of stacking another.
  dialog.show(NET_DIALOG_FLUSHING);
  dialog.dispatch();
  ASSERT_EQ(dlg::Layer::windows().size(), before + 1);
  EXPECT_EQ(dlg::Layer::windows().back()->controls()[0]->text, NET_DIALOG_FLUSHING);

  dialog.close();
  EXPECT_FALSE(dialog.isOpen());
  EXPECT_EQ(dlg::Layer::windows().size(), before);
  dialog.close();
  dialog.dispatch();
  EXPECT_FALSE(dialog.isOpen());
}

}  // namespace
