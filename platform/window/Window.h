#pragma once

#include "platform/window/WindowMessage.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform::window {

// The window layer: one interface, two backends. The headless backend (the default, and what
// every test uses) keeps the window's state for tests to query and takes its messages from a
// timed script; the SDL2 backend opens a real window. The code above the layer never knows
// which one runs.

struct Point {
  int32_t x = 0;
  int32_t y = 0;
};

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
};

// A presented frame: rows of 32-bit A8R8G8B8 pixels (the Direct3D stand-in's front buffer).
struct FrameView {
  const uint8_t* pixels = nullptr;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t pitch = 0;
};

struct CreateParams {
  std::u16string title;
  Rect frame;               // the whole window, decorations included
  bool fullScreen = false;  // a borderless window over the screen instead of a framed one
};

// What a window looks like from outside; tests read it.
struct WindowState {
  std::u16string title;
  Rect frame;
  bool fullScreen = false;
  bool visible = false;
  bool topMost = false;
  bool mouseCaptured = false;
  uint32_t frontRequests = 0;   // times the window was brought to the front
  uint64_t framesShown = 0;     // presented frames shown in the window
  uint32_t lastFrameWidth = 0;
  uint32_t lastFrameHeight = 0;
  uint32_t lastFramePixel = 0;  // the top-left pixel of the last frame (A8R8G8B8)
  intptr_t lastAnswer = 0;      // the procedure's answer to the last message that asks for one
};

class Window {
 public:
  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // The opaque handle under which other layers (the Direct3D stand-in) name this window.
  void* handle() { return this; }

  // True when getMessage has something to give (a message, a quit or a failure).
  virtual bool peekMessage() = 0;
  // Takes the next message. The quit request is given only once the queue holds no message.
  virtual ReadResult getMessage(Message& out) = 0;
  // Adds a message at the end of the queue (any thread).
  virtual void post(const Message& message) = 0;
  // The window procedure's answer to a message that asks for one (power queries).
  virtual void answer(const Message& message, intptr_t result) = 0;

  // Shows the window: framed windows normally, full-screen windows above all others.
  virtual void show() = 0;
  virtual void hide() = 0;
  virtual void moveTo(int32_t x, int32_t y) = 0;
  virtual void setMouseCapture(bool on) = 0;
  virtual void bringToFront() = 0;
  // Shows a presented frame, scaled to the client area.
  virtual void showFrame(const FrameView& frame) = 0;
  virtual WindowState state() const = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* name() const = 0;
  // Null when the window cannot be created.
  virtual std::unique_ptr<Window> create(const CreateParams& params) = 0;
  // The window rectangle of a framed (or, full screen, borderless) window whose client area is
  // the given rectangle.
  virtual Rect adjustRect(const Rect& client, bool fullScreen) const = 0;
  // The size of the screen area a full-screen window covers.
  virtual Point screenSize() const = 0;
  virtual Point cursorPosition() const = 0;
  // Keeps the display and the system awake while the game runs; false when refused.
  virtual bool keepAwake() = 0;
};

// The backend in force, chosen at the first call: the name given to selectBackend, else the
// environment variable GAME_WINDOW ("headless" or "sdl"), else headless. A backend that needs a
// display is taken only when one is present (DISPLAY, WAYLAND_DISPLAY, or SDL_VIDEODRIVER naming
// a driver of its own) and it starts; otherwise the choice falls back to headless with a line on
// standard error.
Backend& backend();
// Chooses the backend for the next backend() call; an empty name goes back to the environment.
// The current backend must have no window left.
void selectBackend(const std::string& name);

// A backend that is linked only into some programs (SDL2) registers itself by name. The factory
// returns null when the backend cannot start.
using BackendFactory = std::unique_ptr<Backend> (*)();
void registerBackend(const std::string& name, BackendFactory factory);

// SIGINT and SIGTERM become the program's quit request, read by the window that pumps next
// (programs opt in; without it the signals end the process as usual).
void quitOnTerminationSignals();
// True once for each such signal.
bool takeTerminationSignal();

// Shows a presented frame in the window with that handle; a handle that names no live window
// is ignored, so devices of tests that name no window present as before.
void presentToWindow(void* handle, const FrameView& frame);

}  // namespace platform::window
