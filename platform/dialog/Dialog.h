#pragma once

// The dialog layer: windows holding a tree of controls (labels, read-only edits, combo boxes
// with item data, check boxes, push buttons, tab controls), notifications for clicks, selection
// changes, tab changes, timers and the close box, nested modal loops and message boxes. The
// control tree and the loops are the layer's own; a backend only presents them and supplies the
// person's actions. The headless backend (the default, and what tests use) takes them from a
// scripted driver (DialogDriver.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dlg {

enum class ControlKind { Label, Edit, Combo, Check, Button, Tab };

struct ComboItem {
  std::u16string text;
  intptr_t data = 0;
};

class Window;

struct Control {
  ControlKind kind = ControlKind::Label;
  Window* window = nullptr;
  int32_t id = 0;
  int32_t x = 0, y = 0, width = 0, height = 0;
  std::u16string text;
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  bool transparent = false;        // a label drawn without its own background
  std::vector<ComboItem> items;    // combo boxes
  std::vector<std::u16string> tabs;  // tab controls
  int32_t selection = -1;          // combo item or tab, -1 for none
};

enum class Event { Create, Click, SelectionChange, TabChange, Timer, Close };

struct Notification {
  Event event = Event::Create;
  Control* control = nullptr;  // clicks and changes
  uint32_t timer = 0;          // timers
};

// A top-level window: its title, client size and controls. Its handler receives every
// notification.
class Window {
 public:
  using Handler = std::function<void(Window&, const Notification&)>;

  Window(std::u16string title, int32_t width, int32_t height, Window* owner, Handler handler);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  Control* add(ControlKind kind, std::u16string_view text, int32_t x, int32_t y, int32_t width,
               int32_t height, int32_t id = 1000);
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

  // The push button pressed when a person confirms with the keyboard (and by the headless
  // driver once its script has run out).
  void setDefaultButton(Control* button) { defaultButton_ = button; }
  Control* defaultButton() const { return defaultButton_; }

  // Queued for the window's loop; delivered in order.
  void post(const Notification& notification);
  // Delivered at once.
  void send(const Notification& notification);

  // Window timers on the platform clock; setting a running id restarts it.
  void setTimer(uint32_t id, uint32_t milliseconds);
  void killTimer(uint32_t id);

  // Ends the loop that runs this window (posted: pending notifications are delivered first).
  void quit() { quitRequested_ = true; }

  const std::u16string& title() const { return title_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  Window* owner() const { return owner_; }
  bool visible = false;
  bool enabled = true;

 private:
  friend class Layer;
  struct Timer {
    uint32_t id;
    uint32_t period;
    uint32_t due;
  };
  std::u16string title_;
  int32_t width_, height_;
  Window* owner_;
  Handler handler_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<Notification> queue_;
  std::vector<Timer> timers_;
  Control* defaultButton_ = nullptr;
  bool quitRequested_ = false;
};

// What a backend does for the layer.
class Backend {
 public:
  virtual ~Backend() = default;
  // The text height of the default user-interface font, in pixels.
  virtual int32_t textHeight() = 0;
  // Whether a window can be made now (a backend without resources refuses).
  virtual bool canCreate(const Window& window) = 0;
  // The next action of the person on the top window while nothing is queued: false when the
  // backend has none to give (the loop then waits for timers only).
  virtual bool nextAction(Window& top) = 0;
  // Answers a message box (platform::MessageBoxAnswer values).
  virtual int messageBox(std::u16string_view text, std::u16string_view caption,
                         unsigned type) = 0;
  // A window was shown, hidden or changed; a drawing backend redraws it.
  virtual void refresh(Window&) {}
  // Takes the person's actions that are already waiting, without blocking (a loop that does
  // its own work between dispatches, like a progress window's, stays responsive through it).
  virtual void pollActions() {}
  // The window is being destroyed; a drawing backend lets its widgets go.
  virtual void destroyed(Window&) {}
  // Opens a web page in the person's browser (xdg-open, not waited for).
  virtual void openUrl(std::u16string_view url);
};

// The layer: the windows that exist, their loops, and the backend in force.
class Layer {
 public:
  // Null when the backend refuses the window.
  static std::unique_ptr<Window> create(std::u16string title, int32_t clientWidth,
                                        int32_t clientHeight, Window* owner,
                                        Window::Handler handler);
  // Runs the window's loop until quit() is asked; the Create notification is sent by create().
  static void run(Window& window);
  static int32_t textHeight();
  static int messageBox(std::u16string_view text, std::u16string_view caption, unsigned type);
  // The windows alive, oldest first (the last is the top one).
  static const std::vector<Window*>& windows();
  static void refresh(Window& window);
  static void openUrl(std::u16string_view url);
  // Delivers what is queued and due for the window now, without waiting.
  static bool dispatchPending(Window& window);
  // Milliseconds until the next window timer is due on the platform clock: 0 when one is due,
  // -1 when no window has a timer.
  static int32_t timeToNextTimer();
};

// The backend in force: the one installed, else the one chosen at the first call:
//   - GAME_DIALOG_SCRIPT set: the headless driver over that script;
//   - else GAME_DIALOG names one ("headless", or a registered backend such as "gtk");
//   - else a desktop backend ("gtk", when the program registered it) when the window layer's
//     backend is a real one (a person sits at a display), the headless driver otherwise.
// A registered backend that does not start (no display) leaves the headless driver in force,
// with a line on standard error. The headless driver without a script confirms every window
// with its default button.
Backend& backend();
// Installs a backend (not owned); null returns to the default.
void setBackend(Backend* replacement);

// A backend linked only into some programs (GTK 3) registers itself by name; the factory
// returns null when the backend cannot start.
using BackendFactory = std::unique_ptr<Backend> (*)();
void registerBackend(const std::string& name, BackendFactory factory);
// The name of the backend the rules above pick, given the environment and the window layer's
// backend name ("headless" or "sdl"); exposed for tests.
std::string chooseBackendName(const char* dialogScript, const char* dialog,
                              std::string_view windowBackend);

// Control texts as the driver and the reports show them (UTF-8).
std::string describe(const Control& control);

}  // namespace dlg
