#include "host/settings/ombMswConfig.h"

#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMswAppData.h"
#include "host/settings/PlatformReport.h"
#include "platform/kernel/IniFile.h"
#include "platform/text/Utf8.h"

#include <algorithm>

namespace {

using dlg::Control;
using dlg::ControlKind;

// Each part of the report is formatted into 1024 units on the original.
constexpr std::size_t kPartLimit = 1023;

std::u16string part(std::u16string text) {
  if (text.size() > kPartLimit) text.resize(kPartLimit);
  return text;
}

int32_t scaled(int32_t eighths) { return eighths * ombMswConfigUnit() / 8; }

Control* place(OmbMswConfigPlugin* page, ControlKind kind, std::u16string_view text, int32_t x,
               int32_t y, int32_t width, int32_t height) {
  OMB_MSW_CONFIG_LAYOUT& l = page->layout;
  return l.parent->add(kind, text, l.x + l.indent + x, l.y + l.currentY + y, width, height);
}

// The running dialog's window procedure.
class MainDialog {
 public:
  MainDialog(OMB_MSW_CONFIG* dialog, bool shown) : dialog_(dialog), shown_(shown) {}

  int32_t result() const { return result_; }

  void operator()(dlg::Window& w, const dlg::Notification& n) {
    switch (n.event) {
      case dlg::Event::Create: create(w); break;
      case dlg::Event::TabChange:
        if (n.control == tab_) tabChanged();
        break;
      case dlg::Event::Click:
        if (n.control == ok_) {
          confirm(w);
        } else if (n.control == cancel_) {
          w.post({dlg::Event::Close, nullptr, 0});
        } else {
          forward(n);
        }
        break;
      case dlg::Event::SelectionChange: forward(n); break;
      case dlg::Event::Close: close(w); break;
      case dlg::Event::Timer: break;
    }
  }

 private:
  void create(dlg::Window& w) {
    const int32_t u = ombMswConfigUnit();
    const int32_t m = scaled(4), b = 2 * u, buttonWidth = scaled(54);
    tab_ = w.add(ControlKind::Tab, u"", m, m, w.width() - 2 * m, w.height() - 3 * m - b);
    tab_->tabs.push_back(u"情報");
    int32_t index = 1;
    for (const auto& page : dialog_->pages) {
      page->tabIndex = index++;
      tab_->tabs.push_back(page->label());
    }
    tab_->selection = 0;
    ok_ = w.add(ControlKind::Button, u"OK", w.width() - 2 * buttonWidth - 2 * m,
                w.height() - m - b, buttonWidth, b);
    cancel_ = w.add(ControlKind::Button, u"キャンセル", w.width() - m - buttonWidth,
                    w.height() - m - b, buttonWidth, b);
    w.setDefaultButton(ok_);
    // The page area: the tab control less its row of tabs and its border.
    const int32_t areaX = tab_->x + 2, areaY = tab_->y + b, areaW = tab_->width - 4,
                  areaH = tab_->height - b - 2;

    const OmbMswConfigPlugin* first =
        dialog_->pages.empty() ? nullptr : dialog_->pages.front().get();
    const std::u16string section = first ? first->section : u"";
    const std::string path = first ? first->iniPath : std::string();
    const bool useDefaults =
        !first || platform::getPrivateProfileInt(section, u"default", 0, path) == 0;

    report_ = w.add(ControlKind::Edit, u"", areaX + m, areaY + m, areaW - 2 * m, areaH - 2 * m);
    for (const auto& page : dialog_->pages) {
      page->window = &w;
      page->tab = tab_;
      page->layout = {&w, areaX + m, areaY + m, areaW - 2 * m, areaH - 2 * m, 0, 0};
      page->init(useDefaults);
    }
    // Unseen, the dialog confirms itself.
    if (!shown_) w.post({dlg::Event::Click, ok_, 0});
    tabChanged();
    if (shown_) {
      w.visible = true;
      dlg::Layer::refresh(w);
    }
  }

  void tabChanged() {
    report_->visible = false;
    for (const auto& page : dialog_->pages) page->hide();
    if (tab_->selection == 0) {
      report_->visible = true;
      report_->text = ombMswConfigReport(*dialog_, false);
    } else {
      for (const auto& page : dialog_->pages) {
        if (page->tabIndex == tab_->selection) page->show();
      }
    }
    for (const auto& c : tab_->window->controls()) {
      if (c->kind != ControlKind::Label && c->kind != ControlKind::Check) continue;
      c->transparent = std::any_of(dialog_->pages.begin(), dialog_->pages.end(),
                                   [&](const auto& page) { return page->ownsLabel(c.get()); });
    }
    dlg::Layer::refresh(*tab_->window);
  }

  void forward(const dlg::Notification& n) {
    for (const auto& page : dialog_->pages) page->command(n.event, n.control);
  }

  void confirm(dlg::Window& w) {
    if (!dialog_->pages.empty()) {
      const auto& page = dialog_->pages.front();
      platform::writePrivateProfileString(page->section, u"default", u"1", page->iniPath);
    }
    ombLogPuts(OMB_LOG_INFORMATION, ombMswConfigReport(*dialog_, true).c_str());
    result_ = OMB_MSW_CONFIG_CONFIRMED;
    w.post({dlg::Event::Close, nullptr, 0});
  }

  void close(dlg::Window& w) {
    if (closed_) return;
    closed_ = true;
    w.visible = false;
    dlg::Layer::refresh(w);
    w.quit();
    const bool confirmed = result_ == OMB_MSW_CONFIG_CONFIRMED;
    while (!dialog_->pages.empty()) {
      dialog_->pages.front()->end(confirmed);
      dialog_->pages.erase(dialog_->pages.begin());
    }
  }

  OMB_MSW_CONFIG* dialog_;
  bool shown_;
  bool closed_ = false;
  int32_t result_ = OMB_MSW_CONFIG_CANCELLED;
  Control* tab_ = nullptr;
  Control* ok_ = nullptr;
  Control* cancel_ = nullptr;
  Control* report_ = nullptr;
};

}  // namespace

int32_t ombMswConfigUnit() { return dlg::Layer::textHeight(); }

std::u16string ombMswConfigReport(const OMB_MSW_CONFIG& dialog, bool forLog) {
  std::u16string text = forLog ? u"Configuration Lists.\r\n" : u"";
  if (dialog.header) text += dialog.header;
  text += part(ombMswConfigPlatformReport());
  for (const auto& page : dialog.pages) text += part(page->report());
  return text;
}

int32_t ombMswConfigRun(OMB_MSW_CONFIG* dialog, bool shown) {
  const std::u16string section =
      dialog->section && dialog->section[0] ? dialog->section : u"Config";
  const std::string path = platform::utf16ToUtf8(ombMswIniFileName());
  for (const auto& page : dialog->pages) {
    page->dialog = dialog;
    page->iniPath = path;
    page->section = section;
    page->tabIndex = 0;
    page->window = nullptr;
    page->tab = nullptr;
    page->layout = {};
  }
  const int32_t u = ombMswConfigUnit();
  auto procedure = std::make_shared<MainDialog>(dialog, shown);
  auto window = dlg::Layer::create(dialog->title ? dialog->title : u"", 30 * u, 30 * u, nullptr,
                                   [procedure](dlg::Window& w, const dlg::Notification& n) {
                                     (*procedure)(w, n);
                                   });
  if (!window) {
    // The pages never started; they end unconfirmed so that none is left behind.
    for (const auto& page : dialog->pages) page->end(false);
    dialog->pages.clear();
    return OMB_MSW_CONFIG_NO_WINDOW;
  }
  dlg::Layer::run(*window);
  window.reset();
  dialog->pages.clear();
  return procedure->result();
}

Control* _ombMswConfigAddLabel(OmbMswConfigPlugin* page, int32_t lines,
                               const std::u16string& text) {
  const int32_t u = ombMswConfigUnit();
  Control* c = place(page, ControlKind::Label, text, 0, 0, page->layout.width, lines * u);
  page->layout.currentY += lines * u;
  return c;
}

Control* _ombMswConfigAddEdit(OmbMswConfigPlugin* page) {
  Control* c = place(page, ControlKind::Edit, u"", 0, 0, page->layout.width, scaled(14));
  page->layout.currentY += scaled(14);
  return c;
}

Control* _ombMswConfigAddCombo(OmbMswConfigPlugin* page) {
  Control* c = place(page, ControlKind::Combo, u"", 0, 0, page->layout.width, scaled(98));
  page->layout.currentY += 2 * ombMswConfigUnit();
  return c;
}

Control* _ombMswConfigAddCheck(OmbMswConfigPlugin* page, const std::u16string& text) {
  const int32_t u = ombMswConfigUnit();
  Control* c = place(page, ControlKind::Check, text, 0, 0, page->layout.width, u);
  page->layout.currentY += u;
  return c;
}

void _ombMswConfigAddEditButton(OmbMswConfigPlugin* page, Control** button, Control** edit) {
  const int32_t u = ombMswConfigUnit();
  const int32_t width = scaled(38), rowHeight = std::max(2 * u, scaled(14));
  const int32_t editWidth = page->layout.width - width - scaled(2);
  *edit = place(page, ControlKind::Edit, u"", 0, rowHeight - scaled(14), editWidth, scaled(14));
  *button = place(page, ControlKind::Button, u"", page->layout.width - width, rowHeight - 2 * u,
                  width, 2 * u);
  page->layout.currentY += rowHeight;
}

void _ombMswConfigAddKeyRow(OmbMswConfigPlugin* page, Control** button1, Control** edit1,
                            Control** button2, Control** edit2) {
  const int32_t u = ombMswConfigUnit();
  const int32_t b = scaled(54), small = scaled(2), large = scaled(4);
  const int32_t editWidth = (page->layout.width - 2 * b - 2 * small - large) / 2;
  const int32_t editY = (2 * u - scaled(14)) / 2;
  int32_t x = 0;
  *button1 = place(page, ControlKind::Button, u"", x, 0, b, 2 * u);
  x += b + small;
  *edit1 = place(page, ControlKind::Edit, u"", x, editY, editWidth, scaled(14));
  x += editWidth + large;
  *button2 = place(page, ControlKind::Button, u"", x, 0, b, 2 * u);
  x += b + small;
  *edit2 = place(page, ControlKind::Edit, u"", x, editY, editWidth, scaled(14));
  page->layout.currentY += std::max(2 * u, scaled(14));
}

Control* _ombMswConfigAddButton(OmbMswConfigPlugin* page, const std::u16string& text) {
  const int32_t u = ombMswConfigUnit();
  Control* c = place(page, ControlKind::Button, text, page->layout.width - scaled(86), 0,
                     scaled(86), 2 * u);
  page->layout.currentY += 2 * u;
  return c;
}

void _ombMswConfigAddOkCancel(OmbMswConfigPlugin* page, Control** ok, Control** cancel) {
  const int32_t u = ombMswConfigUnit();
  const OMB_MSW_CONFIG_LAYOUT& l = page->layout;
  const int32_t w = scaled(54), y = l.y + l.height - 2 * u;
  *cancel = l.parent->add(ControlKind::Button, u"キャンセル", l.x + l.width - w, y, w, 2 * u);
  *ok = l.parent->add(ControlKind::Button, u"OK", l.x + l.width - 2 * w - scaled(4), y, w, 2 * u);
  l.parent->setDefaultButton(*ok);
}

int32_t _ombMswConfigComboAdd(const std::u16string& text, Control* combo, intptr_t data) {
  combo->items.push_back({text, data});
  return static_cast<int32_t>(combo->items.size() - 1);
}

intptr_t _ombMswConfigComboGetData(const Control* combo) {
  if (combo->selection < 0 || combo->selection >= static_cast<int32_t>(combo->items.size())) {
    return -1;
  }
  return combo->items[combo->selection].data;
}

void _ombMswConfigComboSelectData(Control* combo, intptr_t data) {
  for (std::size_t i = 0; i < combo->items.size(); ++i) {
    if (combo->items[i].data == data) {
      combo->selection = static_cast<int32_t>(i);
      return;
    }
  }
}

bool _ombMswConfigRunModal(OmbMswConfigPlugin* page, const std::u16string& title, int32_t width,
                           int32_t height, dlg::Window::Handler procedure) {
  dlg::Window* owner = page->layout.parent ? page->layout.parent : page->window;
  const int32_t clientW = scaled(width), clientH = scaled(height), m = scaled(4);
  const OMB_MSW_CONFIG_LAYOUT saved = page->layout;
  page->layout = {};
  auto window = dlg::Layer::create(
      title, clientW, clientH, owner,
      [page, procedure, clientW, clientH, m](dlg::Window& w, const dlg::Notification& n) {
        if (n.event == dlg::Event::Create) {
          page->layout = {&w, m, m, clientW - 2 * m, clientH - 2 * m, 0, 0};
        }
        procedure(w, n);
      });
  if (!window) {
    page->layout = saved;
    return false;
  }
  if (owner) owner->enabled = false;
  window->visible = true;
  dlg::Layer::refresh(*window);
  dlg::Layer::run(*window);
  if (owner) owner->enabled = true;
  window->visible = false;
  window.reset();
  page->layout = saved;
  return true;
}
