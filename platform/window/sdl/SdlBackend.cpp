#include "platform/window/sdl/SdlBackend.h"

#include "platform/text/Utf8.h"
#include "platform/window/MessageQueue.h"

#include <SDL.h>

#include <cstring>
#include <map>
#include <mutex>

namespace platform::window {
namespace {

class SdlWindow;

// Windows by SDL window id. SDL delivers the events of every window through one queue on the
// thread that pumps it; whichever window pumps hands each event to its window.
std::map<uint32_t, SdlWindow*>& windows() {
  static std::map<uint32_t, SdlWindow*> table;
  return table;
}

class SdlWindow final : public Window {
 public:
  SdlWindow(SDL_Window* window, bool fullScreen) : window_(window), fullScreen_(fullScreen) {
    windows()[SDL_GetWindowID(window_)] = this;
  }
  ~SdlWindow() override {
    windows().erase(SDL_GetWindowID(window_));
    SDL_DestroyWindow(window_);
  }

  bool peekMessage() override {
    pump();
    return queue_.waiting();
  }

  ReadResult getMessage(Message& out) override {
    pump();
    return queue_.take(out);
  }

  void post(const Message& message) override { queue_.post(message); }

  void answer(const Message&, intptr_t result) override {
    std::lock_guard<std::mutex> hold(lock_);
    lastAnswer_ = result;
  }

  void show() override {
    SDL_ShowWindow(window_);
    if (fullScreen_) SDL_SetWindowAlwaysOnTop(window_, SDL_TRUE);
  }
  void hide() override { SDL_HideWindow(window_); }
  void moveTo(int32_t x, int32_t y) override { SDL_SetWindowPosition(window_, x, y); }
  void setMouseCapture(bool on) override { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }
  void bringToFront() override {
    SDL_RaiseWindow(window_);
    std::lock_guard<std::mutex> hold(lock_);
    ++frontRequests_;
  }

  void showFrame(const FrameView& frame) override {
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (!target || !frame.pixels || frame.width == 0 || frame.height == 0) return;
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint8_t*>(frame.pixels), static_cast<int>(frame.width),
        static_cast<int>(frame.height), 32, static_cast<int>(frame.pitch),
        SDL_PIXELFORMAT_ARGB8888);
    if (!source) return;
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    SDL_BlitScaled(source, nullptr, target, nullptr);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(window_);
    std::lock_guard<std::mutex> hold(lock_);
    ++framesShown_;
    lastWidth_ = frame.width;
    lastHeight_ = frame.height;
    lastPixel_ = readTopLeft(target);
  }

  WindowState state() const override {
    WindowState s;
    const uint32_t flags = SDL_GetWindowFlags(window_);
    s.title = platform::utf8ToUtf16(SDL_GetWindowTitle(window_));
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    s.frame = {x, y, x + w, y + h};
    s.fullScreen = fullScreen_;
    s.visible = (flags & SDL_WINDOW_SHOWN) != 0;
    s.topMost = (flags & SDL_WINDOW_ALWAYS_ON_TOP) != 0;
    s.mouseCaptured = (flags & SDL_WINDOW_MOUSE_CAPTURE) != 0;
    std::lock_guard<std::mutex> hold(lock_);
    s.frontRequests = frontRequests_;
    s.framesShown = framesShown_;
    s.lastFrameWidth = lastWidth_;
    s.lastFrameHeight = lastHeight_;
    s.lastFramePixel = lastPixel_;
    s.lastAnswer = lastAnswer_;
    return s;
  }

  void receive(const SDL_Event& event) {
    Message m;
    if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
      m.kind = MessageKind::LButtonUp;
    } else if (event.type == SDL_WINDOWEVENT) {
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: m.kind = MessageKind::Close; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: m.kind = MessageKind::ActivateApp; m.param = 1; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: m.kind = MessageKind::ActivateApp; m.param = 0; break;
        case SDL_WINDOWEVENT_EXPOSED: m.kind = MessageKind::Paint; break;
        default: return;  // moves and resizes are read from the window itself
      }
    } else {
      return;
    }
    post(m);
  }

  void requestQuit() { queue_.postQuit(); }

 private:
  static void pump() {
    if (takeTerminationSignal()) {
      for (auto& entry : windows()) entry.second->requestQuit();
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) {
        for (auto& entry : windows()) entry.second->requestQuit();
        continue;
      }
      const uint32_t id = event.type == SDL_WINDOWEVENT ? event.window.windowID
                          : event.type == SDL_MOUSEBUTTONUP ? event.button.windowID
                                                            : 0;
      const auto found = windows().find(id);
      if (found != windows().end()) found->second->receive(event);
    }
  }

  static uint32_t readTopLeft(SDL_Surface* surface) {
    if (SDL_LockSurface(surface) != 0) return 0;
    uint32_t raw = 0;
    std::memcpy(&raw, surface->pixels, surface->format->BytesPerPixel < 4
                                           ? surface->format->BytesPerPixel
                                           : 4);
    SDL_UnlockSurface(surface);
    uint8_t r = 0, g = 0, b = 0, a = 0;
    SDL_GetRGBA(raw, surface->format, &r, &g, &b, &a);
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
  }

  SDL_Window* window_;
  bool fullScreen_;
  mutable std::mutex lock_;
  MessageQueue queue_;
  uint32_t frontRequests_ = 0;
  uint64_t framesShown_ = 0;
  uint32_t lastWidth_ = 0;
  uint32_t lastHeight_ = 0;
  uint32_t lastPixel_ = 0;
  intptr_t lastAnswer_ = 0;
};

class SdlBackend final : public Backend {
 public:
  ~SdlBackend() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
  const char* name() const override { return "sdl"; }

  std::unique_ptr<Window> create(const CreateParams& params) override {
    const Rect& f = params.frame;
    const uint32_t flags = SDL_WINDOW_HIDDEN | (params.fullScreen ? SDL_WINDOW_BORDERLESS : 0);
    SDL_Window* window = SDL_CreateWindow(platform::utf16ToUtf8(params.title).c_str(), f.left,
                                          f.top, f.width(), f.height(), flags);
    if (!window) return nullptr;
    return std::make_unique<SdlWindow>(window, params.fullScreen);
  }

  // SDL places and sizes the client area; the decorations belong to the window manager.
  Rect adjustRect(const Rect& client, bool) const override { return client; }

  Point screenSize() const override {
    SDL_Rect area{};
    if (SDL_GetDisplayUsableBounds(0, &area) != 0) return {640, 480};
    return {area.w, area.h};
  }

  Point cursorPosition() const override {
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    return {x, y};
  }

  bool keepAwake() override {
    SDL_DisableScreenSaver();
    return true;
  }
};

}  // namespace

std::unique_ptr<Backend> createSdlBackend() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  return std::make_unique<SdlBackend>();
}

void registerSdlBackend() { registerBackend("sdl", &createSdlBackend); }

}  // namespace platform::window
