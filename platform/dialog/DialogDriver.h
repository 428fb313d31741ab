#pragma once

// The headless dialog backend: a driver that plays a person from an action file. Each line is
// one action on the top window (UTF-8; '#' starts a comment):
//   click <text>      clicks the first visible button, check box or label with that text
//                     ("<text> @n": the n-th of them)
//   select <item>     selects the item in the first visible, enabled combo box that holds it
//   tab <label>       selects the tab with that label
//   close             the close box of the top window
//   answer <yes|no|ok|cancel>   answers the next message box (else it takes its default button)
//   wait <ms>         sleeps on the platform clock, so that window timers fire
//   dump              writes the top window's title and visible controls to the output
//   refuse <title>    windows with that title cannot be created from now on
// Web pages are recorded ("open <url>") instead of opened.
// Once the actions have run out, every window is confirmed with its default button (or closed
// when it has none enabled), so an unscripted run never waits. Output lines (dumps, message
// boxes, actions that found nothing) are kept for tests and written to standard error.

#include "platform/dialog/Dialog.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace dlg {

struct DriverAction {
  enum Kind { Click, Select, Tab, Close, Answer, Wait, Dump, Refuse } kind = Click;
  std::u16string text;  // control text, item, label, title
  int32_t value = 0;    // milliseconds, or the answer
};

// nullopt (with the line and reason in error) for an unknown action or a missing argument.
std::optional<std::vector<DriverAction>> parseDriverScript(const std::string& text,
                                                           std::string* error = nullptr);

class DialogDriver final : public Backend {
 public:
  explicit DialogDriver(std::vector<DriverAction> actions);
  static std::optional<DialogDriver> fromText(const std::string& text, std::string* error);
  static std::optional<DialogDriver> fromFile(const std::string& path, std::string* error);

  int32_t textHeight() override { return 16; }
  bool canCreate(const Window& window) override;
  bool nextAction(Window& top) override;
  int messageBox(std::u16string_view text, std::u16string_view caption, unsigned type) override;
  // Headless: the page is recorded ("open <url>"), never opened.
  void openUrl(std::u16string_view url) override { write("open " + utf8(url)); }

  const std::vector<std::string>& output() const { return output_; }
  // Every dump line of a window, as dump writes them.
  static std::vector<std::string> dump(const Window& window);

 private:
  void write(const std::string& line);
  static std::string utf8(std::u16string_view text);
  std::deque<DriverAction> actions_;
  std::vector<std::u16string> refused_;
  std::vector<std::string> output_;
};

}  // namespace dlg
