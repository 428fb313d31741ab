// The GTK 3 dialog backend on a virtual display of its own (Xvfb, started by the test): a person
// acts on the real widgets (tabs, check button, combo box, buttons, the close box, a message
// box) and the layer's windows see the notifications and keep the states.

#include "platform/dialog/gtk/GtkBackend.h"

#include "platform/text/Utf8.h"
#include "platform/ui/MessageService.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// GTK, GLib, fontconfig and the X libraries keep caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libgtk-3.so\nleak:libgdk-3.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\n"
         "leak:libgio-2.0.so\nleak:libfontconfig.so\nleak:libpango\nleak:libcairo.so\n"
         "leak:libX11.so\nleak:libharfbuzz.so\nleak:libatk\nleak:libdbus\n";
}

namespace {

// An Xvfb on a display number it picks itself (-displayfd), for the whole test program: GTK
// starts once per process.
struct VirtualDisplay {
  pid_t pid = 0;
  std::string why;  // why there is none

  bool start() {
    if (!onPath("Xvfb")) return fail("Xvfb is not installed (Debian package xvfb)");
    int fds[2];
    if (pipe(fds) != 0) return fail("no pipe");
    const std::string fd = std::to_string(fds[1]);
    pid = fork();
    if (pid < 0) return fail("no fork");
    if (pid == 0) {
      // The server goes with the test program, however that ends.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      close(fds[0]);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24",
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number once it accepts connections.
    std::string number;
    pollfd ready{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&ready, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
      stop();
      return fail("Xvfb did not start");
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("GDK_BACKEND", "x11", 1);
    // GDK takes the core protocol's pointer events, so that the clicks a test sends reach it.
    setenv("GDK_CORE_DEVICE_EVENTS", "1", 1);
    return true;
  }
  static bool onPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (std::size_t at = 0; at <= folders.size();) {
      const std::size_t colon = std::min(folders.find(':', at), folders.size());
      const std::string file = folders.substr(at, colon - at) + "/" + program;
      if (access(file.c_str(), X_OK) == 0) return true;
      at = colon + 1;
    }
    return false;
  }
  bool fail(const std::string& reason) {
    why = reason;
    return false;
  }
  void stop() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = 0;
  }
};

VirtualDisplay display;
std::unique_ptr<dlg::GtkBackend> gtkBackend;

// The person: steps run one at a time from a GLib timer, so they happen while the backend waits
// for GTK. A step that returns false is tried again at the next tick (it waits for what the
// program shows); a step that never comes true ends the program rather than hanging it.
class Person {
 public:
  using Step = std::function<bool()>;
  explicit Person(std::vector<Step> steps) : steps_(steps.begin(), steps.end()) {
    source_ = g_timeout_add(10, &Person::tick, this);
  }
  ~Person() {
    if (source_) g_source_remove(source_);
  }
  bool done() const { return steps_.empty(); }

 private:
  static gboolean tick(gpointer data) {
    auto* self = static_cast<Person*>(data);
    if (self->steps_.empty()) {
      self->source_ = 0;
      return G_SOURCE_REMOVE;
    }
    if (self->steps_.front()()) {
      self->steps_.pop_front();
      self->tries_ = 0;
    } else if (++self->tries_ > 1000) {
      std::fprintf(stderr, "step %zu never came true\n", self->steps_.size());
      std::_Exit(1);
    }
    return G_SOURCE_CONTINUE;
  }
  std::deque<Step> steps_;
  guint source_ = 0;
  int tries_ = 0;
};

// The message box on the screen, if any.
GtkDialog* messageBoxShown() {
  GList* toplevels = gtk_window_list_toplevels();
  GtkDialog* found = nullptr;
  for (GList* l = toplevels; l; l = l->next) {
    if (GTK_IS_MESSAGE_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data))) {
      found = GTK_DIALOG(l->data);
    }
  }
  g_list_free(toplevels);
  return found;
}

// A press and release of the first mouse button over the middle of the widget, sent to its
// window as the display server would: it reaches the widget only if the widget really lies
// there, on top.
void clickAt(GtkWidget* widget) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  int x = 0, y = 0;
  gtk_widget_translate_coordinates(widget, top, gtk_widget_get_allocated_width(widget) / 2,
                                   gtk_widget_get_allocated_height(widget) / 2, &x, &y);
  GdkWindow* window = gtk_widget_get_window(top);
  gdk_test_simulate_button(window, x, y, 1, GdkModifierType(0), GDK_BUTTON_PRESS);
  gdk_test_simulate_button(window, x, y, 1, GdkModifierType(0), GDK_BUTTON_RELEASE);
}

class GtkBackendTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!display.start()) return;
    gtkBackend = dlg::GtkBackend::create();
    if (!gtkBackend) display.why = "GTK does not start on the virtual display";
  }
  static void TearDownTestSuite() {
    gtkBackend.reset();
    display.stop();
  }
  void SetUp() override {
    if (!gtkBackend) GTEST_SKIP() << display.why;
    dlg::setBackend(gtkBackend.get());
  }
  void TearDown() override { dlg::setBackend(nullptr); }

  GtkWidget* widget(const dlg::Control* c) { return gtkBackend->controlWidget(*c); }
};

TEST_F(GtkBackendTest, PersonDrivesTabsChecksCombosNestedLoopsAndTheCloseBox) {
  EXPECT_GT(dlg::Layer::textHeight(), 8);
  std::vector<std::string> log;
  dlg::Control *tab = nullptr, *hello = nullptr, *open = nullptr, *vsync = nullptr,
               *combo = nullptr, *off = nullptr;
  dlg::Window* outerWindow = nullptr;
  dlg::Window* innerWindow = nullptr;
  int ticks = 0, ticksAtAnswer = 0;
  bool asked = false, answered = false;

  auto inner = [&](dlg::Window& w, const dlg::Notification& n) {
    if (n.event == dlg::Event::Create) {
      innerWindow = &w;
      w.add(dlg::ControlKind::Label, u"Waiting", 8, 8, 150, 20);
      w.setTimer(7, 20);
      return;
    }
    if (n.event != dlg::Event::Timer) return;
    ++ticks;
    if (!asked) {
      asked = true;
      const int answer = dlg::Layer::messageBox(
          u"Keep\r\nthese?", u"Question",
          platform::kMessageBoxYesNo | platform::kMessageBoxDefaultButton2);
      ticksAtAnswer = ticks;
      answered = true;
      log.push_back("answer " + std::to_string(answer));
    } else if (answered) {
      // The timer closes the window.
      w.killTimer(7);
      w.quit();
    }
  };

  auto outer = [&](dlg::Window& w, const dlg::Notification& n) {
    switch (n.event) {
      case dlg::Event::Create:
        outerWindow = &w;
        tab = w.add(dlg::ControlKind::Tab, u"", 4, 4, 352, 190);
        tab->tabs = {u"General", u"Video"};
        tab->selection = 0;
        hello = w.add(dlg::ControlKind::Label, u"Hello", 16, 40, 200, 20);
        open = w.add(dlg::ControlKind::Button, u"Open", 16, 70, 100, 30);
        vsync = w.add(dlg::ControlKind::Check, u"Vsync", 16, 40, 200, 24);
        combo = w.add(dlg::ControlKind::Combo, u"", 16, 70, 200, 120);
        combo->items = {{u"Low", 10}, {u"High", 20}};
        combo->selection = 0;
        vsync->visible = combo->visible = false;
        off = w.add(dlg::ControlKind::Button, u"Off", 130, 200, 100, 30);
        off->enabled = false;
        w.setDefaultButton(w.add(dlg::ControlKind::Button, u"OK", 250, 200, 100, 30));
        break;
      case dlg::Event::TabChange:
        log.push_back("tab " + std::to_string(n.control->selection));
        hello->visible = open->visible = tab->selection == 0;
        vsync->visible = combo->visible = tab->selection == 1;
        break;
      case dlg::Event::SelectionChange:
        log.push_back("select " + std::to_string(n.control->items[n.control->selection].data));
        break;
      case dlg::Event::Click:
        if (n.control == vsync) {
          vsync->checked = !vsync->checked;
          log.push_back(vsync->checked ? "check 1" : "check 0");
        } else if (n.control == open) {
          log.push_back("open");
          w.enabled = false;
          auto window = dlg::Layer::create(u"Inner", 200, 60, &w, inner);
          ASSERT_TRUE(window);
          window->visible = true;
          dlg::Layer::run(*window);
          window.reset();
          innerWindow = nullptr;
          w.enabled = true;
          log.push_back("inner closed");
        } else {
          log.push_back("click " + platform::utf16ToUtf8(n.control->text));
        }
        break;
      case dlg::Event::Close:
        log.push_back("close");
        w.quit();
        break;
      default: break;
    }
  };

  auto visible = [&](const dlg::Control* c) { return gtk_widget_get_visible(widget(c)) != 0; };
  Person person({
      [&] {
        // The widgets show the control tree as it was built.
        if (!outerWindow || !gtk_widget_get_mapped(gtkBackend->windowWidget(*outerWindow))) {
          return false;
        }
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(gtkBackend->windowWidget(*outerWindow))),
                     "Settings");
        EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(widget(hello))))),
                     "Hello");
        EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(widget(open))), "Open");
        EXPECT_TRUE(visible(open));
        EXPECT_FALSE(visible(vsync));
        EXPECT_FALSE(gtk_widget_get_sensitive(widget(off)));
        EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(widget(combo))), 0);
        EXPECT_EQ(gtk_notebook_get_n_pages(GTK_NOTEBOOK(widget(tab))), 2);
        EXPECT_EQ(gtk_widget_get_toplevel(widget(open)),
                  gtkBackend->windowWidget(*outerWindow));
        // A label takes clicks (the notice's link is one), though it lies over the notebook.
        clickAt(widget(hello));
        return true;
      },
      [&] {
        if (log.empty()) return false;
        gtk_notebook_set_current_page(GTK_NOTEBOOK(widget(tab)), 1);
        return true;
      },
      [&] {
        if (!visible(vsync)) return false;
        EXPECT_FALSE(visible(open));
        gtk_button_clicked(GTK_BUTTON(widget(vsync)));
        return true;
      },
      [&] {
        if (log.back() != "check 1") return false;
        gtk_combo_box_set_active(GTK_COMBO_BOX(widget(combo)), 1);
        return true;
      },
      [&] {
        if (log.back() != "select 20") return false;
        // A click on a disabled button is not the person's to make: GTK drops it.
        gtk_widget_activate(widget(off));
        gtk_notebook_set_current_page(GTK_NOTEBOOK(widget(tab)), 0);
        return true;
      },
      [&] {
        if (!visible(open)) return false;
        clickAt(widget(open));
        return true;
      },
      [&] {
        // The box is up over the inner window, the owner is disabled, and the inner window's
        // timer keeps ticking under the box.
        GtkDialog* box = messageBoxShown();
        if (!box || ticks < 3) return false;
        EXPECT_FALSE(gtk_widget_is_sensitive(widget(open)));
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(box)), "Question");
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(box)),
                  GTK_WINDOW(gtkBackend->windowWidget(*innerWindow)));
        EXPECT_TRUE(gtk_dialog_get_widget_for_response(box, platform::kAnswerYes));
        EXPECT_FALSE(gtk_dialog_get_widget_for_response(box, platform::kAnswerCancel));
        gtk_button_clicked(
            GTK_BUTTON(gtk_dialog_get_widget_for_response(box, platform::kAnswerNo)));
        return true;
      },
      [&] {
        if (innerWindow || !gtk_widget_is_sensitive(widget(open))) return false;
        gtk_window_close(GTK_WINDOW(gtkBackend->windowWidget(*outerWindow)));
        return true;
      },
  });

  auto window = dlg::Layer::create(u"Settings", 360, 240, nullptr, outer);
  ASSERT_TRUE(window);
  window->visible = true;
  dlg::Layer::refresh(*window);
  dlg::Layer::run(*window);

  EXPECT_TRUE(person.done());
  EXPECT_EQ(log, (std::vector<std::string>{"click Hello", "tab 1", "check 1", "select 20", "tab 0", "open",
                                           "answer 7", "inner closed", "close"}));
  EXPECT_GE(ticksAtAnswer, 3);
  EXPECT_TRUE(vsync->checked);
  EXPECT_EQ(combo->selection, 1);
  EXPECT_EQ(tab->selection, 0);
  // Destroying the window lets its widgets go.
  GtkWidget* top = gtkBackend->windowWidget(*window);
  g_object_add_weak_pointer(G_OBJECT(top), reinterpret_cast<gpointer*>(&top));
  window.reset();
  EXPECT_EQ(top, nullptr);
  EXPECT_FALSE(messageBoxShown());
}

// Each button set of a message box, answered by the person with Enter (the default button) or
// with the close box, which a box without Cancel (or a lone OK) ignores.
TEST_F(GtkBackendTest, MessageBoxButtonSetsDefaultsAndCloseBox) {
  using namespace platform;
  enum How { Enter, CloseBox };
  struct Case {
    unsigned type;
    How how;
    std::vector<int> buttons;  // the answers offered, in the order of their values
    int expected;
  };
  const Case cases[] = {
      {kMessageBoxOk, CloseBox, {kAnswerOk}, kAnswerOk},
      {kMessageBoxOkCancel | kMessageBoxDefaultButton2, Enter, {kAnswerOk, kAnswerCancel},
       kAnswerCancel},
      {kMessageBoxOkCancel, CloseBox, {kAnswerOk, kAnswerCancel}, kAnswerCancel},
      {kMessageBoxYesNo | kMessageBoxDefaultButton2, Enter, {kAnswerYes, kAnswerNo}, kAnswerNo},
      {kMessageBoxYesNo, CloseBox, {kAnswerYes, kAnswerNo}, kAnswerYes},
      {kMessageBoxYesNoCancel | kMessageBoxDefaultButton3, Enter,
       {kAnswerCancel, kAnswerYes, kAnswerNo}, kAnswerCancel},
      {kMessageBoxAbortRetryIgnore | kMessageBoxDefaultButton2, CloseBox,
       {kAnswerAbort, kAnswerRetry, kAnswerIgnore}, kAnswerRetry},
      {kMessageBoxRetryCancel | kMessageBoxIconWarning, Enter, {kAnswerCancel, kAnswerRetry},
       kAnswerRetry},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    std::vector<int> buttons;
    bool closed = false;
    Person person({
        [&] {
          GtkDialog* box = messageBoxShown();
          if (!box) return false;
          for (int answer = kAnswerOk; answer <= kAnswerNo; ++answer) {
            if (gtk_dialog_get_widget_for_response(box, answer)) buttons.push_back(answer);
          }
          if (c.how == CloseBox) {
            gtk_window_close(GTK_WINDOW(box));
            closed = true;
          }
          return true;
        },
        [&] {
          // Still up after the close box (or asked for Enter): the default button answers.
          if (GtkDialog* box = messageBoxShown()) gtk_window_activate_default(GTK_WINDOW(box));
          return true;
        },
    });
    EXPECT_EQ(dlg::Layer::messageBox(u"Text", u"Caption", c.type), c.expected);
    EXPECT_EQ(buttons, c.buttons);
    EXPECT_EQ(c.how == CloseBox, closed);
  }
}

}  // namespace
