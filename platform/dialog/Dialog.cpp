#include "platform/dialog/Dialog.h"

#include "platform/dialog/DialogDriver.h"
#include "platform/kernel/Clock.h"
#include "platform/text/Utf8.h"
#include "platform/window/Window.h"

#include <spawn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

extern char** environ;

namespace dlg {

namespace {

std::vector<Window*>& alive() {
  static std::vector<Window*> windows;
  return windows;
}

Backend* installed = nullptr;

// Never destroyed: windows held in statics reach it while the program's statics are torn down.
std::unique_ptr<Backend>& chosen() {
  static auto* backend = new std::unique_ptr<Backend>();
  return *backend;
}

std::map<std::string, BackendFactory>& factories() {
  static std::map<std::string, BackendFactory> table;
  return table;
}

// The backend windows are presented by, without making a choice.
Backend* presenting() { return installed ? installed : chosen().get(); }

constexpr const char* kDesktopBackend = "gtk";

std::unique_ptr<Backend> headlessDriver() {
  std::string error;
  if (const char* path = std::getenv("GAME_DIALOG_SCRIPT"); path && *path) {
    if (auto driver = DialogDriver::fromFile(path, &error)) {
      return std::make_unique<DialogDriver>(std::move(*driver));
    }
    std::fprintf(stderr, "dialog: %s\n", error.c_str());
  }
  return std::make_unique<DialogDriver>(std::vector<DriverAction>{});
}

std::unique_ptr<Backend> choose() {
  const char* explicitName = std::getenv("GAME_DIALOG");
  const std::string name = chooseBackendName(std::getenv("GAME_DIALOG_SCRIPT"), explicitName,
                                             platform::window::backend().name());
  if (name == "headless") return headlessDriver();
  const auto found = factories().find(name);
  if (found == factories().end()) {
    // A desktop backend that this program does not offer is only worth a line when asked for.
    if (explicitName && *explicitName) {
      std::fprintf(stderr, "dialog: no backend \"%s\" in this program; headless instead\n",
                   name.c_str());
    }
  } else if (std::unique_ptr<Backend> backend = found->second()) {
    return backend;
  } else {
    std::fprintf(stderr, "dialog: \"%s\" does not start; headless instead\n", name.c_str());
  }
  return headlessDriver();
}

// Time left until a millisecond deadline of the wrapping clock (negative once passed).
int32_t remaining(uint32_t due, uint32_t now) { return static_cast<int32_t>(due - now); }

}  // namespace

Window::Window(std::u16string title, int32_t width, int32_t height, Window* owner,
               Handler handler)
    : title_(std::move(title)), width_(width), height_(height), owner_(owner),
      handler_(std::move(handler)) {
  alive().push_back(this);
}

Window::~Window() {
  if (Backend* b = presenting()) b->destroyed(*this);
  std::erase(alive(), this);
}

Control* Window::add(ControlKind kind, std::u16string_view text, int32_t x, int32_t y,
                     int32_t width, int32_t height, int32_t id) {
  auto control = std::make_unique<Control>();
  control->kind = kind;
  control->window = this;
  control->id = id;
  control->x = x;
  control->y = y;
  control->width = width;
  control->height = height;
  control->text = text;
  controls_.push_back(std::move(control));
  return controls_.back().get();
}

void Window::post(const Notification& notification) { queue_.push_back(notification); }

void Window::send(const Notification& notification) {
  if (handler_) handler_(*this, notification);
}

void Window::setTimer(uint32_t id, uint32_t milliseconds) {
  killTimer(id);
  timers_.push_back({id, milliseconds, platform::clock().milliseconds() + milliseconds});
}

void Window::killTimer(uint32_t id) {
  std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

std::unique_ptr<Window> Layer::create(std::u16string title, int32_t clientWidth,
                                      int32_t clientHeight, Window* owner,
                                      Window::Handler handler) {
  auto window = std::make_unique<Window>(std::move(title), clientWidth, clientHeight, owner,
                                         std::move(handler));
  if (!backend().canCreate(*window)) return nullptr;
  window->send({Event::Create, nullptr, 0});
  return window;
}

bool Layer::dispatchPending(Window& window) {
  (void)window;
  backend().pollActions();
  // Like a thread's message loop, a modal loop delivers what any window of the thread has.
  const std::vector<Window*> windows = alive();
  for (Window* w : windows) {
    if (!w->queue_.empty()) {
      const Notification n = w->queue_.front();
      w->queue_.erase(w->queue_.begin());
      w->send(n);
      return true;
    }
  }
  const uint32_t now = platform::clock().milliseconds();
  for (Window* w : windows) {
    for (Window::Timer& t : w->timers_) {
      if (remaining(t.due, now) > 0) continue;
      t.due = now + t.period;
      w->send({Event::Timer, nullptr, t.id});
      return true;
    }
  }
  return false;
}

void Layer::run(Window& window) {
  while (!window.quitRequested_) {
    if (dispatchPending(window)) continue;
    if (backend().nextAction(*alive().back())) continue;
    // Nothing to do but wait for the next timer.
    const int32_t wait = timeToNextTimer();
    if (wait < 0) {
      // No person and no timer can ever end this loop.
      break;
    }
    platform::sleepMilliseconds(static_cast<uint32_t>(wait));
  }
  window.quitRequested_ = false;
}

int32_t Layer::timeToNextTimer() {
  const uint32_t now = platform::clock().milliseconds();
  int32_t wait = -1;
  for (Window* w : alive()) {
    for (const Window::Timer& t : w->timers_) {
      const int32_t left = std::max(0, remaining(t.due, now));
      if (wait < 0 || left < wait) wait = left;
    }
  }
  return wait;
}

int32_t Layer::textHeight() { return backend().textHeight(); }

int Layer::messageBox(std::u16string_view text, std::u16string_view caption, unsigned type) {
  return backend().messageBox(text, caption, type);
}

const std::vector<Window*>& Layer::windows() { return alive(); }

void Layer::refresh(Window& window) { backend().refresh(window); }

void Layer::openUrl(std::u16string_view url) { backend().openUrl(url); }

void Backend::openUrl(std::u16string_view url) {
  const std::string text = platform::utf16ToUtf8(url);
  char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(text.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
    std::fprintf(stderr, "dialog: cannot start xdg-open for %s\n", text.c_str());
  }
}

Backend& backend() {
  if (installed) return *installed;
  if (!chosen()) chosen() = choose();
  return *chosen();
}

void setBackend(Backend* replacement) { installed = replacement; }

void registerBackend(const std::string& name, BackendFactory factory) {
  factories()[name] = factory;
}

std::string chooseBackendName(const char* dialogScript, const char* dialog,
                              std::string_view windowBackend) {
  // A driver script is for the headless driver alone.
  if (dialogScript && *dialogScript) return "headless";
  if (dialog && *dialog) return dialog;
  // The window layer takes a real backend only when asked to and a display is present: a person
  // is there to answer real dialogs too. Test runs keep the headless window, so they stay here.
  if (windowBackend != "headless") return kDesktopBackend;
  return "headless";
}

std::string describe(const Control& c) {
  static const char* const kinds[] = {"label", "edit", "combo", "check", "button", "tab"};
  std::string line = kinds[static_cast<int>(c.kind)];
  auto quoted = [](std::u16string_view text) { return "\"" + platform::utf16ToUtf8(text) + "\""; };
  switch (c.kind) {
    case ControlKind::Combo:
      line += " " + quoted(c.selection >= 0 && c.selection < static_cast<int32_t>(c.items.size())
                               ? c.items[c.selection].text
                               : u"");
      line += " (";
      for (std::size_t i = 0; i < c.items.size(); ++i) {
        if (i) line += "|";
        line += platform::utf16ToUtf8(c.items[i].text);
      }
      line += ")";
      break;
    case ControlKind::Tab:
      line += " " + quoted(c.selection >= 0 && c.selection < static_cast<int32_t>(c.tabs.size())
                               ? c.tabs[c.selection]
                               : u"");
      break;
    case ControlKind::Check:
      line += c.checked ? " [x] " : " [ ] ";
      line += quoted(c.text);
      break;
    default: line += " " + quoted(c.text); break;
  }
  if (!c.enabled) line += " disabled";
  return line;
}

}  // namespace dlg
