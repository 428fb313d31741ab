// The dialog layer's loops, timers and message boxes, played by the headless driver.

#include "platform/dialog/DialogDriver.h"

#include "platform/kernel/Clock.h"
#include "platform/ui/MessageService.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class StepClock final : public platform::Clock {
 public:
  uint64_t counterFrequency() override { return 1000; }
  uint64_t counter() override { return now; }
  uint32_t milliseconds() override { return static_cast<uint32_t>(now); }
  void sleep(uint32_t ms) override { now += ms; }
  uint64_t now = 0xFFFFFF00u;  // the millisecond clock wraps during the test
};

class DialogDriverTest : public testing::Test {
 protected:
  DialogDriverTest() { platform::setClock(&clock); }
  ~DialogDriverTest() override {
    dlg::setBackend(nullptr);
    platform::setClock(nullptr);
  }
  dlg::DialogDriver& use(const std::string& script) {
    std::string error;
    auto parsed = dlg::DialogDriver::fromText(script, &error);
    EXPECT_TRUE(parsed) << error;
    driver.emplace(std::move(*parsed));
    dlg::setBackend(&*driver);
    return *driver;
  }
  StepClock clock;
  std::optional<dlg::DialogDriver> driver;
};

TEST_F(DialogDriverTest, MalformedScriptsNameTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"click OK\njump\n", "line 2: unknown action \"jump\""},
      {"click\n", "line 1: \"click\" needs an argument"},
      {"# comment\nwait soon\n", "line 2: bad wait \"soon\""},
      {"answer maybe\n", "line 1: bad answer \"maybe\""},
  };
  for (const auto& [script, expected] : cases) {
    std::string error;
    EXPECT_FALSE(dlg::parseDriverScript(script, &error)) << script;
    EXPECT_EQ(error, expected);
  }
}

// A window with a button that opens a nested modal window with a 100 ms timer; the nested one
// counts its ticks and closes on its button.
TEST_F(DialogDriverTest, NestedLoopsTimersAndScriptedAnswers) {
  dlg::DialogDriver& d = use(
      "click Open\nwait 250\nwait 100\ndump\nclick Done\nanswer no\nclick Check\nselect b\n"
      "click Missing\ndump\n");
  std::vector<std::string> events;
  int ticks = 0;
  int answer = 0;
  auto outer = dlg::Layer::create(u"Outer", 100, 100, nullptr, [&](dlg::Window& w,
                                                                   const dlg::Notification& n) {
    if (n.event == dlg::Event::Create) {
      w.add(dlg::ControlKind::Button, u"Open", 0, 0, 10, 10);
      w.add(dlg::ControlKind::Check, u"Check", 0, 0, 10, 10);
      dlg::Control* combo = w.add(dlg::ControlKind::Combo, u"", 0, 0, 10, 10);
      combo->items = {{u"a", 1}, {u"b", 2}};
      combo->selection = 0;
      w.setDefaultButton(w.add(dlg::ControlKind::Button, u"OK", 0, 0, 10, 10));
      return;
    }
    if (n.event == dlg::Event::SelectionChange) {
      events.push_back("selected " + std::to_string(n.control->items[n.control->selection].data));
    }
    if (n.event != dlg::Event::Click) return;
    if (n.control->text == u"Check") {
      n.control->checked = !n.control->checked;
    } else if (n.control->text == u"OK") {
      events.push_back("ok");
      w.quit();
    } else if (n.control->text == u"Open") {
      w.enabled = false;
      auto inner = dlg::Layer::create(u"Inner", 50, 50, &w, [&](dlg::Window& iw,
                                                                const dlg::Notification& in) {
        if (in.event == dlg::Event::Create) {
          iw.add(dlg::ControlKind::Button, u"Done", 0, 0, 10, 10);
          iw.setTimer(12345, 100);
        } else if (in.event == dlg::Event::Timer) {
          ++ticks;
        } else if (in.event == dlg::Event::Click) {
          answer = dlg::Layer::messageBox(u"Sure?", u"Question", platform::kMessageBoxYesNo);
          iw.killTimer(12345);
          iw.quit();
        }
      });
      ASSERT_TRUE(inner);
      dlg::Layer::run(*inner);
      w.enabled = true;
      events.push_back("inner closed");
    }
  });
  ASSERT_TRUE(outer);
  dlg::Layer::run(*outer);
  // A late timer fires once, not once per missed period: 250 ms, then 100 ms more.
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(answer, platform::kAnswerNo);
  EXPECT_EQ(events, (std::vector<std::string>{"inner closed", "selected 2", "ok"}));
  const std::vector<std::string> expected = {
      "window \"Inner\"",
      "  button \"Done\"",
      "message box \"Question\" answered 7",
      "no control \"Missing\"",
      "window \"Outer\"",
      "  button \"Open\"",
      "  check [x] \"Check\"",
      "  combo \"b\" (a|b)",
      "  button \"OK\"",
  };
  EXPECT_EQ(d.output(), expected);
}

TEST_F(DialogDriverTest, WithoutActionsWindowsTakeTheirDefaultButtonOrClose) {
  use("refuse Gone\n");
  EXPECT_FALSE(dlg::Layer::create(u"Gone", 1, 1, nullptr, nullptr));
  for (const bool withDefault : {true, false}) {
    std::string seen;
    auto w = dlg::Layer::create(u"W", 1, 1, nullptr, [&](dlg::Window& win,
                                                          const dlg::Notification& n) {
      if (n.event == dlg::Event::Create) {
        dlg::Control* ok = win.add(dlg::ControlKind::Button, u"OK", 0, 0, 1, 1);
        if (withDefault) win.setDefaultButton(ok);
      } else if (n.event == dlg::Event::Click) {
        seen = "click";
        win.quit();
      } else if (n.event == dlg::Event::Close) {
        seen = "close";
        win.quit();
      }
    });
    ASSERT_TRUE(w);
    dlg::Layer::run(*w);
    EXPECT_EQ(seen, withDefault ? "click" : "close");
  }
}

}  // namespace
