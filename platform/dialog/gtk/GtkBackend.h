#pragma once

// The desktop dialog backend: the layer's windows and controls shown as GTK 3 widgets, the
// person's clicks, selections, tab changes and close boxes turned into the layer's
// notifications, and message boxes as GTK message dialogs.
//
// The layer's control tree stays the truth: before the backend waits for the person it brings
// every widget in line with its control (texts, items, tabs, selection, checked, enabled,
// visible, position), so code above the layer changes controls without telling anyone. A
// person's action changes only what the control itself reports (the selection of a combo box
// or a tab control) and posts the notification; a check box shows the state its handler sets.
//
// Lives in its own library (platform_gtk), linked only into programs that offer it; such a
// program calls registerGtkBackend once, and the layer chooses it by name ("gtk").

#include "platform/dialog/Dialog.h"

#include <map>
#include <memory>

typedef struct _GtkWidget GtkWidget;

namespace dlg {

void registerGtkBackend();

class GtkBackend final : public Backend {
 public:
  // Null when GTK does not start (no display).
  static std::unique_ptr<GtkBackend> create();
  ~GtkBackend() override;

  int32_t textHeight() override { return textHeight_; }
  bool canCreate(const Window&) override { return true; }
  bool nextAction(Window& top) override;
  int messageBox(std::u16string_view text, std::u16string_view caption, unsigned type) override;
  void refresh(Window& window) override;
  void pollActions() override;
  void destroyed(Window& window) override;

  // The widgets that stand for a window and a control (the one that takes the person's
  // actions: the button, check button, combo box, notebook, the label's event box, the entry or
  // text view); null before the backend has made them. For tests that act as the person.
  GtkWidget* windowWidget(const Window& window) const;
  GtkWidget* controlWidget(const Control& control) const;

 private:
  struct Shown;
  struct Shape;
  GtkBackend();
  Shown& shown(Window& window);
  void sync(Window& window);
  void syncAll();
  void apply(Shape& shape);
  // Runs what GTK has ready without blocking; true when a notification was posted.
  bool pump();
  // Blocks until GTK has something to do or the milliseconds pass (-1: no bound).
  void wait(int32_t milliseconds);

  std::map<const Window*, std::unique_ptr<Shown>> shown_;
  int32_t textHeight_ = 16;
  bool syncing_ = false;  // widget changes made by sync are not the person's
  bool posted_ = false;
};

}  // namespace dlg
