#include "platform/window/HeadlessBackend.h"
#include "platform/window/Window.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

namespace platform::window {
namespace {

std::atomic<bool> terminationSignal{false};

void onTerminationSignal(int) { terminationSignal = true; }

std::mutex& registryLock() {
  static std::mutex lock;
  return lock;
}

std::map<std::string, BackendFactory>& factories() {
  static std::map<std::string, BackendFactory> table;
  return table;
}

// Live windows by handle, so that a presentation naming a handle reaches only a real window.
std::set<Window*>& liveWindows() {
  static std::set<Window*> windows;
  return windows;
}

std::unique_ptr<Backend>& current() {
  static std::unique_ptr<Backend> backend;
  return backend;
}

std::string& selected() {
  static std::string name;
  return name;
}

bool displayPresent() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return true;
  }
  return false;
}

std::unique_ptr<Backend> choose() {
  std::string name = selected();
  if (name.empty()) {
    const char* variable = std::getenv("GAME_WINDOW");
    name = variable ? variable : "";
  }
  if (name.empty() || name == "headless") return createHeadlessBackend();
  const auto found = factories().find(name);
  if (found == factories().end()) {
    std::fprintf(stderr, "window: no backend \"%s\" in this program; headless instead\n",
                 name.c_str());
  } else if (!displayPresent()) {
    std::fprintf(stderr, "window: no display for \"%s\"; headless instead\n", name.c_str());
  } else if (std::unique_ptr<Backend> backend = found->second()) {
    return backend;
  } else {
    std::fprintf(stderr, "window: \"%s\" does not start; headless instead\n", name.c_str());
  }
  return createHeadlessBackend();
}

}  // namespace

Window::Window() {
  std::lock_guard<std::mutex> hold(registryLock());
  liveWindows().insert(this);
}

Window::~Window() {
  std::lock_guard<std::mutex> hold(registryLock());
  liveWindows().erase(this);
}

Backend& backend() {
  std::lock_guard<std::mutex> hold(registryLock());
  if (!current()) current() = choose();
  return *current();
}

void selectBackend(const std::string& name) {
  std::lock_guard<std::mutex> hold(registryLock());
  selected() = name;
  current().reset();
}

void registerBackend(const std::string& name, BackendFactory factory) {
  std::lock_guard<std::mutex> hold(registryLock());
  factories()[name] = factory;
}

void quitOnTerminationSignals() {
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool takeTerminationSignal() { return terminationSignal.exchange(false); }

void presentToWindow(void* handle, const FrameView& frame) {
  // The lock stays held while the frame is shown, so the window cannot be destroyed meanwhile.
  std::lock_guard<std::mutex> hold(registryLock());
  auto* window = static_cast<Window*>(handle);
  if (handle && liveWindows().count(window)) window->showFrame(frame);
}

}  // namespace platform::window
