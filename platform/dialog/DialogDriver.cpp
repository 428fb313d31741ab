#include "platform/dialog/DialogDriver.h"

#include "platform/kernel/Clock.h"
#include "platform/text/Utf8.h"
#include "platform/ui/MessageService.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace dlg {

namespace {

std::string trim(std::string s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

}  // namespace

std::optional<std::vector<DriverAction>> parseDriverScript(const std::string& text,
                                                           std::string* error) {
  std::vector<DriverAction> actions;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(number) + ": " + why;
    return std::nullopt;
  };
  while (std::getline(lines, line)) {
    ++number;
    if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    line = trim(line);
    if (line.empty()) continue;
    const auto space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : trim(line.substr(space + 1));
    DriverAction action;
    action.text = platform::utf8ToUtf16(argument);
    static const std::pair<const char*, DriverAction::Kind> verbs[] = {
        {"click", DriverAction::Click}, {"select", DriverAction::Select},
        {"tab", DriverAction::Tab},     {"close", DriverAction::Close},
        {"answer", DriverAction::Answer}, {"wait", DriverAction::Wait},
        {"dump", DriverAction::Dump},   {"refuse", DriverAction::Refuse}};
    const auto found = std::find_if(std::begin(verbs), std::end(verbs),
                                    [&](const auto& v) { return verb == v.first; });
    if (found == std::end(verbs)) return fail("unknown action \"" + verb + "\"");
    action.kind = found->second;
    const bool needsArgument = action.kind != DriverAction::Close &&
                               action.kind != DriverAction::Dump;
    if (needsArgument && argument.empty()) return fail("\"" + verb + "\" needs an argument");
    if (action.kind == DriverAction::Wait) {
      char* end = nullptr;
      const long ms = std::strtol(argument.c_str(), &end, 10);
      if (*end != '\0' || ms < 0 || ms > 600000) return fail("bad wait \"" + argument + "\"");
      action.value = static_cast<int32_t>(ms);
    } else if (action.kind == DriverAction::Answer) {
      static const std::pair<const char*, int> answers[] = {
          {"yes", platform::kAnswerYes}, {"no", platform::kAnswerNo},
          {"ok", platform::kAnswerOk},   {"cancel", platform::kAnswerCancel}};
      const auto a = std::find_if(std::begin(answers), std::end(answers),
                                  [&](const auto& v) { return argument == v.first; });
      if (a == std::end(answers)) return fail("bad answer \"" + argument + "\"");
      action.value = a->second;
    }
    actions.push_back(std::move(action));
  }
  return actions;
}

DialogDriver::DialogDriver(std::vector<DriverAction> actions)
    : actions_(actions.begin(), actions.end()) {}

std::optional<DialogDriver> DialogDriver::fromText(const std::string& text, std::string* error) {
  auto actions = parseDriverScript(text, error);
  if (!actions) return std::nullopt;
  return DialogDriver(std::move(*actions));
}

std::optional<DialogDriver> DialogDriver::fromFile(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read " + path;
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  std::string why;
  auto driver = fromText(text.str(), &why);
  if (!driver && error) *error = path + ": " + why;
  return driver;
}

std::string DialogDriver::utf8(std::u16string_view text) {
  return platform::utf16ToUtf8(text);
}

void DialogDriver::write(const std::string& line) {
  output_.push_back(line);
  std::fprintf(stderr, "dialog: %s\n", line.c_str());
}

bool DialogDriver::canCreate(const Window& window) {
  // Refusals that lead the list apply before any loop asks for an action.
  while (!actions_.empty() && actions_.front().kind == DriverAction::Refuse) {
    refused_.push_back(actions_.front().text);
    actions_.pop_front();
  }
  return std::find(refused_.begin(), refused_.end(), window.title()) == refused_.end();
}

std::vector<std::string> DialogDriver::dump(const Window& window) {
  std::vector<std::string> lines{"window \"" + platform::utf16ToUtf8(window.title()) + "\""};
  for (const auto& c : window.controls()) {
    if (c->visible) lines.push_back("  " + describe(*c));
  }
  return lines;
}

bool DialogDriver::nextAction(Window& top) {
  if (actions_.empty()) {
    Control* button = top.defaultButton();
    if (button && button->visible && button->enabled) {
      top.post({Event::Click, button, 0});
    } else {
      top.post({Event::Close, nullptr, 0});
    }
    return true;
  }
  const DriverAction action = actions_.front();
  actions_.pop_front();
  const std::string text = platform::utf16ToUtf8(action.text);
  auto find = [&](auto&& accept) -> Control* {
    for (const auto& c : top.controls()) {
      if (c->visible && accept(*c)) return c.get();
    }
    return nullptr;
  };
  switch (action.kind) {
    case DriverAction::Click: {
      // "text @n" clicks the n-th control with that text.
      std::u16string wanted = action.text;
      int32_t occurrence = 1;
      if (const auto at = wanted.rfind(u" @"); at != std::u16string::npos) {
        const std::string n = platform::utf16ToUtf8(wanted.substr(at + 2));
        if (!n.empty() && n.find_first_not_of("0123456789") == std::string::npos) {
          occurrence = std::atoi(n.c_str());
          wanted.resize(at);
        }
      }
      Control* c = find([&](const Control& c) {
        return c.text == wanted && c.kind != ControlKind::Edit && c.kind != ControlKind::Combo &&
               --occurrence == 0;
      });
      if (!c) {
        write("no control \"" + text + "\"");
      } else if (!c->enabled) {
        write("disabled \"" + text + "\"");
      } else {
        top.post({Event::Click, c, 0});
      }
      break;
    }
    case DriverAction::Select: {
      int32_t index = -1;
      Control* c = find([&](const Control& c) {
        if (c.kind != ControlKind::Combo || !c.enabled) return false;
        for (std::size_t i = 0; i < c.items.size(); ++i) {
          if (c.items[i].text == action.text) {
            index = static_cast<int32_t>(i);
            return true;
          }
        }
        return false;
      });
      if (!c) {
        write("no item \"" + text + "\"");
      } else {
        c->selection = index;
        top.post({Event::SelectionChange, c, 0});
      }
      break;
    }
    case DriverAction::Tab: {
      int32_t index = -1;
      Control* c = find([&](const Control& c) {
        if (c.kind != ControlKind::Tab || !c.enabled) return false;
        const auto at = std::find(c.tabs.begin(), c.tabs.end(), action.text);
        index = static_cast<int32_t>(at - c.tabs.begin());
        return at != c.tabs.end();
      });
      if (!c) {
        write("no tab \"" + text + "\"");
      } else {
        c->selection = index;
        top.post({Event::TabChange, c, 0});
      }
      break;
    }
    case DriverAction::Close: top.post({Event::Close, nullptr, 0}); break;
    case DriverAction::Answer: write("no message box for \"answer " + text + "\""); break;
    case DriverAction::Wait: platform::sleepMilliseconds(static_cast<uint32_t>(action.value)); break;
    case DriverAction::Dump:
      for (const std::string& line : dump(top)) write(line);
      break;
    case DriverAction::Refuse: refused_.push_back(action.text); break;
  }
  return true;
}

int DialogDriver::messageBox(std::u16string_view text, std::u16string_view caption,
                             unsigned type) {
  // The service records the box (and its default answer); a scripted answer overrides it.
  int answer = platform::showMessageBox(text, caption, type);
  if (!actions_.empty() && actions_.front().kind == DriverAction::Answer) {
    answer = actions_.front().value;
    actions_.pop_front();
  }
  write("message box \"" + platform::utf16ToUtf8(caption) + "\" answered " +
        std::to_string(answer));
  return answer;
}

}  // namespace dlg
