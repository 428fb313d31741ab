#include "platform/dialog/gtk/GtkBackend.h"

#include "platform/text/Utf8.h"
#include "platform/ui/MessageService.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <string>
#include <vector>

namespace dlg {

namespace {

// GTK wants UTF-8 and single line feeds; the layer's texts break lines with CR LF.
std::string gtkText(std::u16string_view text) {
  std::string out = platform::utf16ToUtf8(text);
  std::erase(out, '\r');
  return out;
}

// An edit taller than two lines of text is the multi-line kind (the report pane).
bool multiLine(const Control& c, int32_t textHeight) { return c.height > 2 * textHeight; }

// What a window's pump may run at most at once, so that a source that keeps itself ready cannot
// hold the loop.
constexpr int kPumpLimit = 200;

}  // namespace

// A control's widgets and what was last applied to them.
struct GtkBackend::Shape {
  GtkBackend* backend = nullptr;
  Control* control = nullptr;
  GtkWidget* outer = nullptr;   // placed in the window's fixed container
  GtkWidget* active = nullptr;  // takes the person's actions
  GtkWidget* label = nullptr;   // a label's text
  bool applied = false;
  int32_t x = 0, y = 0, width = 0, height = 0;
  std::u16string text;
  std::vector<ComboItem> items;
  std::vector<std::u16string> tabs;
  int32_t selection = -1;
  bool checked = false, enabled = true, visible = true;
};

struct GtkBackend::Shown {
  GtkBackend* backend = nullptr;
  Window* window = nullptr;
  GtkWidget* toplevel = nullptr;
  GtkWidget* fixed = nullptr;
  std::vector<std::unique_ptr<Shape>> shapes;  // in the order of the window's controls
  std::u16string title;
  Control* defaultButton = nullptr;
  bool visible = false, enabled = true;
};

void registerGtkBackend() {
  registerBackend("gtk", []() -> std::unique_ptr<Backend> { return GtkBackend::create(); });
}

GtkBackend::GtkBackend() = default;

GtkBackend::~GtkBackend() {
  syncing_ = true;
  for (auto& [window, shown] : shown_) gtk_widget_destroy(shown->toplevel);
}

std::unique_ptr<GtkBackend> GtkBackend::create() {
  if (!gtk_init_check(nullptr, nullptr)) return nullptr;
  std::unique_ptr<GtkBackend> backend(new GtkBackend());
  // The layer lays its windows out in multiples of the text height of the default font.
  GtkWidget* probe = gtk_label_new(nullptr);
  g_object_ref_sink(probe);
  PangoLayout* layout = gtk_widget_create_pango_layout(probe, "Ag\xE6\xBC\xA2");
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  g_object_unref(probe);
  if (height > 0) backend->textHeight_ = height;
  return backend;
}

GtkWidget* GtkBackend::windowWidget(const Window& window) const {
  const auto found = shown_.find(&window);
  return found == shown_.end() ? nullptr : found->second->toplevel;
}

GtkWidget* GtkBackend::controlWidget(const Control& control) const {
  const auto found = shown_.find(control.window);
  if (found == shown_.end()) return nullptr;
  for (const auto& shape : found->second->shapes) {
    if (shape->control == &control) return shape->active;
  }
  return nullptr;
}

GtkBackend::Shown& GtkBackend::shown(Window& window) {
  auto& slot = shown_[&window];
  if (slot) return *slot;
  slot = std::make_unique<Shown>();
  Shown& s = *slot;
  s.backend = this;
  s.window = &window;
  s.toplevel = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_resizable(GTK_WINDOW(s.toplevel), FALSE);
  s.fixed = gtk_fixed_new();
  gtk_widget_set_size_request(s.fixed, window.width(), window.height());
  gtk_container_add(GTK_CONTAINER(s.toplevel), s.fixed);
  gtk_widget_show(s.fixed);
  if (Window* owner = window.owner()) {
    if (GtkWidget* ownerWidget = windowWidget(*owner)) {
      gtk_window_set_transient_for(GTK_WINDOW(s.toplevel), GTK_WINDOW(ownerWidget));
    }
  }
  gtk_window_set_position(GTK_WINDOW(s.toplevel), window.owner()
                                                       ? GTK_WIN_POS_CENTER_ON_PARENT
                                                       : GTK_WIN_POS_CENTER);
  // The close box asks; the window's handler decides. A disabled window (the owner of a modal
  // one) takes no close.
  g_signal_connect(s.toplevel, "delete-event",
                   G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer data) -> gboolean {
                     auto* sw = static_cast<Shown*>(data);
                     if (sw->window->enabled) {
                       sw->window->post({Event::Close, nullptr, 0});
                       sw->backend->posted_ = true;
                     }
                     return TRUE;
                   }),
                   &s);
  return s;
}

void GtkBackend::sync(Window& window) {
  Shown& s = shown(window);
  const bool wasSyncing = syncing_;
  syncing_ = true;
  if (s.title != window.title() || s.shapes.empty()) {
    s.title = window.title();
    gtk_window_set_title(GTK_WINDOW(s.toplevel), gtkText(s.title).c_str());
  }
  // Controls are only ever added; make widgets for the new ones.
  const auto& controls = window.controls();
  for (std::size_t i = s.shapes.size(); i < controls.size(); ++i) {
    auto shape = std::make_unique<Shape>();
    shape->backend = this;
    Control& c = *controls[i];
    shape->control = &c;
    switch (c.kind) {
      case ControlKind::Label:
        shape->label = gtk_label_new(nullptr);
        gtk_label_set_xalign(GTK_LABEL(shape->label), 0.0f);
        gtk_label_set_yalign(GTK_LABEL(shape->label), 0.0f);
        gtk_label_set_line_wrap(GTK_LABEL(shape->label), TRUE);
        gtk_label_set_line_wrap_mode(GTK_LABEL(shape->label), PANGO_WRAP_WORD_CHAR);
        // The size comes from the layer's rectangle, not from the text.
        gtk_label_set_max_width_chars(GTK_LABEL(shape->label), 1);
        gtk_widget_show(shape->label);
        shape->outer = shape->active = gtk_event_box_new();
        gtk_event_box_set_visible_window(GTK_EVENT_BOX(shape->outer), FALSE);
        // The press too: the window that takes it is the one the release goes to.
        gtk_widget_add_events(shape->outer, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
        gtk_container_add(GTK_CONTAINER(shape->outer), shape->label);
        g_signal_connect(shape->outer, "button-release-event",
                         G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, gpointer data) {
                           auto* sh = static_cast<Shape*>(data);
                           if (event->button == 1 && !sh->backend->syncing_) {
                             sh->control->window->post({Event::Click, sh->control, 0});
                             sh->backend->posted_ = true;
                           }
                           return gboolean(TRUE);
                         }),
                         shape.get());
        break;
      case ControlKind::Edit:
        if (multiLine(c, textHeight_)) {
          shape->active = gtk_text_view_new();
          gtk_text_view_set_editable(GTK_TEXT_VIEW(shape->active), FALSE);
          gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(shape->active), FALSE);
          gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(shape->active), GTK_WRAP_WORD_CHAR);
          gtk_widget_show(shape->active);
          shape->outer = gtk_scrolled_window_new(nullptr, nullptr);
          gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(shape->outer), GTK_SHADOW_IN);
          gtk_container_add(GTK_CONTAINER(shape->outer), shape->active);
        } else {
          shape->outer = shape->active = gtk_entry_new();
          gtk_editable_set_editable(GTK_EDITABLE(shape->active), FALSE);
          gtk_entry_set_width_chars(GTK_ENTRY(shape->active), 1);
        }
        break;
      case ControlKind::Combo:
        shape->outer = shape->active = gtk_combo_box_text_new();
        g_signal_connect(shape->active, "changed",
                         G_CALLBACK(+[](GtkComboBox* combo, gpointer data) {
                           auto* sh = static_cast<Shape*>(data);
                           if (sh->backend->syncing_) return;
                           sh->control->selection = gtk_combo_box_get_active(combo);
                           sh->control->window->post({Event::SelectionChange, sh->control, 0});
                           sh->backend->posted_ = true;
                         }),
                         shape.get());
        break;
      case ControlKind::Check:
      case ControlKind::Button:
        shape->outer = shape->active = c.kind == ControlKind::Check
                                           ? gtk_check_button_new_with_label("")
                                           : gtk_button_new_with_label("");
        // Setting a check button's state from the control clicks it too; only the person's
        // clicks are notified.
        g_signal_connect(shape->active, "clicked", G_CALLBACK(+[](GtkButton*, gpointer data) {
                           auto* sh = static_cast<Shape*>(data);
                           if (sh->backend->syncing_) return;
                           sh->control->window->post({Event::Click, sh->control, 0});
                           sh->backend->posted_ = true;
                         }),
                         shape.get());
        break;
      case ControlKind::Tab:
        // The pages stay empty: the controls of a page are the window's, shown and hidden by its
        // handler on a tab change, and lie over the notebook (added before them).
        shape->outer = shape->active = gtk_notebook_new();
        gtk_notebook_set_scrollable(GTK_NOTEBOOK(shape->active), TRUE);
        g_signal_connect(shape->active, "switch-page",
                         G_CALLBACK(+[](GtkNotebook*, GtkWidget*, guint page, gpointer data) {
                           auto* sh = static_cast<Shape*>(data);
                           if (sh->backend->syncing_) return;
                           sh->control->selection = static_cast<int32_t>(page);
                           sh->control->window->post({Event::TabChange, sh->control, 0});
                           sh->backend->posted_ = true;
                         }),
                         shape.get());
        break;
    }
    gtk_fixed_put(GTK_FIXED(s.fixed), shape->outer, c.x, c.y);
    apply(*shape);
    s.shapes.push_back(std::move(shape));
  }
  for (auto& shape : s.shapes) apply(*shape);

  if (s.defaultButton != window.defaultButton()) {
    s.defaultButton = window.defaultButton();
    GtkWidget* button = s.defaultButton ? controlWidget(*s.defaultButton) : nullptr;
    if (button) gtk_widget_set_can_default(button, TRUE);
    gtk_window_set_default(GTK_WINDOW(s.toplevel), button);
  }
  if (s.enabled != window.enabled) {
    s.enabled = window.enabled;
    gtk_widget_set_sensitive(s.fixed, s.enabled);
  }
  if (s.visible != window.visible) {
    s.visible = window.visible;
    if (s.visible) {
      gtk_window_present(GTK_WINDOW(s.toplevel));
    } else {
      gtk_widget_hide(s.toplevel);
    }
  }
  syncing_ = wasSyncing;
}

void GtkBackend::apply(Shape& sh) {
  const Control& c = *sh.control;
  const bool first = !sh.applied;
  sh.applied = true;
  if (first || sh.x != c.x || sh.y != c.y) {
    sh.x = c.x;
    sh.y = c.y;
    gtk_fixed_move(GTK_FIXED(gtk_widget_get_parent(sh.outer)), sh.outer, c.x, c.y);
  }
  if (first || sh.width != c.width || sh.height != c.height) {
    sh.width = c.width;
    sh.height = c.height;
    // A combo box's height is that of its drop-down list; the box itself keeps its own.
    gtk_widget_set_size_request(sh.outer, std::max(0, c.width),
                                c.kind == ControlKind::Combo ? -1 : std::max(0, c.height));
  }
  if (first || sh.text != c.text) {
    sh.text = c.text;
    const std::string text = gtkText(c.text);
    switch (c.kind) {
      case ControlKind::Label: gtk_label_set_text(GTK_LABEL(sh.label), text.c_str()); break;
      case ControlKind::Check:
      case ControlKind::Button: gtk_button_set_label(GTK_BUTTON(sh.active), text.c_str()); break;
      case ControlKind::Edit:
        if (GTK_IS_ENTRY(sh.active)) {
          gtk_entry_set_text(GTK_ENTRY(sh.active), text.c_str());
        } else {
          gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(sh.active)),
                                   text.c_str(), -1);
        }
        break;
      case ControlKind::Combo:
      case ControlKind::Tab: break;
    }
  }
  bool reselect = first || sh.selection != c.selection;
  if (c.kind == ControlKind::Combo) {
    const bool same = sh.items.size() == c.items.size() &&
                      std::equal(sh.items.begin(), sh.items.end(), c.items.begin(),
                                 [](const ComboItem& a, const ComboItem& b) {
                                   return a.text == b.text && a.data == b.data;
                                 });
    if (!same) {
      sh.items = c.items;
      GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(sh.active);
      gtk_combo_box_text_remove_all(combo);
      for (const ComboItem& item : c.items) {
        gtk_combo_box_text_append_text(combo, gtkText(item.text).c_str());
      }
      reselect = true;
    }
    if (reselect) {
      const bool inside = c.selection >= 0 && c.selection < static_cast<int32_t>(c.items.size());
      gtk_combo_box_set_active(GTK_COMBO_BOX(sh.active), inside ? c.selection : -1);
    }
  } else if (c.kind == ControlKind::Tab) {
    GtkNotebook* notebook = GTK_NOTEBOOK(sh.active);
    if (sh.tabs != c.tabs) {
      sh.tabs = c.tabs;
      while (gtk_notebook_get_n_pages(notebook) > 0) gtk_notebook_remove_page(notebook, -1);
      for (const std::u16string& label : c.tabs) {
        GtkWidget* page = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        gtk_widget_show(page);
        gtk_notebook_append_page(notebook, page, gtk_label_new(gtkText(label).c_str()));
      }
      reselect = true;
    }
    if (reselect && c.selection >= 0 && c.selection < static_cast<int32_t>(c.tabs.size())) {
      gtk_notebook_set_current_page(notebook, c.selection);
    }
  }
  sh.selection = c.selection;
  if (c.kind == ControlKind::Check && (first || sh.checked != c.checked)) {
    sh.checked = c.checked;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(sh.active), c.checked);
  } else if (c.kind == ControlKind::Check &&
             gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(sh.active)) != c.checked) {
    // The person's click toggled the button; it shows what the handler made of it.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(sh.active), c.checked);
  }
  if (first || sh.enabled != c.enabled) {
    sh.enabled = c.enabled;
    gtk_widget_set_sensitive(sh.outer, c.enabled);
  }
  if (first || sh.visible != c.visible) {
    sh.visible = c.visible;
    gtk_widget_set_visible(sh.outer, c.visible);
  }
}

void GtkBackend::syncAll() {
  for (Window* w : Layer::windows()) sync(*w);
}

bool GtkBackend::pump() {
  posted_ = false;
  for (int i = 0; i < kPumpLimit && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
  return posted_;
}

void GtkBackend::wait(int32_t milliseconds) {
  bool due = false;
  guint source = 0;
  if (milliseconds >= 0) {
    source = g_timeout_add(static_cast<guint>(milliseconds), +[](gpointer data) -> gboolean {
      *static_cast<bool*>(data) = true;
      return G_SOURCE_REMOVE;
    }, &due);
  }
  g_main_context_iteration(nullptr, TRUE);
  if (source != 0 && !due) g_source_remove(source);
}

bool GtkBackend::nextAction(Window&) {
  syncAll();
  if (pump()) return true;
  // With no window on the screen no person can act; the loop waits for its timers alone.
  const auto& windows = Layer::windows();
  if (std::none_of(windows.begin(), windows.end(), [](const Window* w) { return w->visible; })) {
    return false;
  }
  const int32_t due = Layer::timeToNextTimer();
  if (due != 0) wait(due);
  return true;
}

void GtkBackend::pollActions() {
  syncAll();
  pump();
}

void GtkBackend::refresh(Window&) {
  syncAll();
  pump();
}

void GtkBackend::destroyed(Window& window) {
  const auto found = shown_.find(&window);
  if (found == shown_.end()) return;
  // Taking a notebook apart switches its pages; that is nobody's action.
  const bool wasSyncing = syncing_;
  syncing_ = true;
  gtk_widget_destroy(found->second->toplevel);
  syncing_ = wasSyncing;
  shown_.erase(found);
}

namespace {

struct ButtonSpec {
  const char* label;
  int answer;
};

// The buttons of each of the message box's button sets, left to right.
std::vector<ButtonSpec> buttonsOf(unsigned type) {
  using namespace platform;
  switch (type & 0xF) {
    case kMessageBoxOkCancel: return {{"_OK", kAnswerOk}, {"_Cancel", kAnswerCancel}};
    case kMessageBoxAbortRetryIgnore:
      return {{"_Abort", kAnswerAbort}, {"_Retry", kAnswerRetry}, {"_Ignore", kAnswerIgnore}};
    case kMessageBoxYesNoCancel:
      return {{"_Yes", kAnswerYes}, {"_No", kAnswerNo}, {"_Cancel", kAnswerCancel}};
    case kMessageBoxYesNo: return {{"_Yes", kAnswerYes}, {"_No", kAnswerNo}};
    case kMessageBoxRetryCancel: return {{"_Retry", kAnswerRetry}, {"_Cancel", kAnswerCancel}};
    default: return {{"_OK", kAnswerOk}};
  }
}

GtkMessageType messageTypeOf(unsigned type) {
  switch (type & 0xF0) {
    case platform::kMessageBoxIconError: return GTK_MESSAGE_ERROR;
    case platform::kMessageBoxIconQuestion: return GTK_MESSAGE_QUESTION;
    case platform::kMessageBoxIconWarning: return GTK_MESSAGE_WARNING;
    case platform::kMessageBoxIconInformation: return GTK_MESSAGE_INFO;
    default: return GTK_MESSAGE_OTHER;
  }
}

struct BoxState {
  int answer = 0;
  int closeAnswer = 0;  // what the close box means (0: the box has none)
  int fallback = 0;     // the answer of a box destroyed under the person (its owner went)
  bool gone = false;
};

}  // namespace

int GtkBackend::messageBox(std::u16string_view text, std::u16string_view caption,
                           unsigned type) {
  syncAll();
  const std::vector<ButtonSpec> buttons = buttonsOf(type);
  const std::size_t defaultIndex =
      std::min<std::size_t>((type >> 8) & 0xF, buttons.size() - 1);
  BoxState state;
  state.fallback = buttons[defaultIndex].answer;
  // As on the original, a box closes by its close box only when it has a way out: Cancel, or a
  // lone OK.
  for (const ButtonSpec& b : buttons) {
    if (b.answer == platform::kAnswerCancel) state.closeAnswer = b.answer;
  }
  if (buttons.size() == 1) state.closeAnswer = buttons[0].answer;

  GtkWindow* parent = nullptr;
  const auto& windows = Layer::windows();
  for (auto w = windows.rbegin(); w != windows.rend() && !parent; ++w) {
    if ((*w)->visible) parent = GTK_WINDOW(windowWidget(**w));
  }
  GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, messageTypeOf(type),
                                          GTK_BUTTONS_NONE, "%s", gtkText(text).c_str());
  gtk_window_set_title(GTK_WINDOW(box), gtkText(caption).c_str());
  for (const ButtonSpec& b : buttons) gtk_dialog_add_button(GTK_DIALOG(box), b.label, b.answer);
  gtk_dialog_set_default_response(GTK_DIALOG(box), buttons[defaultIndex].answer);
  gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(box),
                                                           buttons[defaultIndex].answer));
  gtk_window_set_deletable(GTK_WINDOW(box), state.closeAnswer != 0);
  g_signal_connect(box, "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer data) {
                     auto* st = static_cast<BoxState*>(data);
                     if (response > 0) {
                       st->answer = response;
                     } else if (response == GTK_RESPONSE_DELETE_EVENT) {
                       st->answer = st->closeAnswer;
                     }
                   }),
                   &state);
  g_signal_connect(box, "delete-event",
                   G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer data) -> gboolean {
                     // A box without a way out stays open.
                     return static_cast<BoxState*>(data)->closeAnswer == 0;
                   }),
                   &state);
  g_signal_connect(box, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer data) {
                     auto* st = static_cast<BoxState*>(data);
                     st->gone = true;
                     if (st->answer == 0) st->answer = st->fallback;
                   }),
                   &state);
  gtk_window_present(GTK_WINDOW(box));
  // The box's own loop still delivers what the layer's windows have queued and their timers,
  // as a thread's message loop does under a message box.
  while (state.answer == 0) {
    if (!windows.empty() && Layer::dispatchPending(*windows.back())) continue;
    pump();
    if (state.answer != 0) break;
    const int32_t due = Layer::timeToNextTimer();
    if (due != 0) wait(due);
  }
  if (!state.gone) {
    g_signal_handlers_disconnect_by_data(box, &state);
    gtk_widget_destroy(box);
  }
  return state.answer;
}

}  // namespace dlg
