#include "platform/window/MessageScript.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>

namespace platform::window {
namespace {

struct Named {
  const char* name;
  uint32_t value;
};

constexpr Named kSysCommands[] = {
    {"move", kScMove},         {"close", kScClose},       {"restore", kScRestore},
    {"default", kScDefault},   {"minimize", kScMinimize}, {"maximize", kScMaximize},
    {"size", kScSize},         {"keymenu", kScKeyMenu},   {"screensave", kScScreenSave},
    {"monitorpower", kScMonitorPower},
};

constexpr Named kPowerEvents[] = {
    {"querysuspend", kPbtQuerySuspend},
    {"querystandby", kPbtQueryStandby},
    {"resume", kPbtResumeSuspend},
};

std::optional<int64_t> number(std::string_view word) {
  int64_t value = 0;
  const char* end = word.data() + word.size();
  const auto [ptr, ec] = std::from_chars(word.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<uint32_t> named(std::string_view word, const Named* table, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (word == table[i].name) return table[i].value;
  }
  const auto value = number(word);
  if (!value || *value < 0 || *value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

std::vector<std::string> words(std::string_view entry) {
  std::istringstream in{std::string(entry)};
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

Message simple(MessageKind kind, uint32_t param = 0) {
  Message m;
  m.kind = kind;
  m.param = param;
  return m;
}

// One entry's action and arguments (after its time); false when they are not understood.
bool parseAction(const std::vector<std::string>& w, ScriptEntry& e) {
  const std::string& action = w[1];
  const std::size_t arguments = w.size() - 2;
  if (arguments == 0) {
    if (action == "close") return e.message = simple(MessageKind::Close), true;
    if (action == "paint") return e.message = simple(MessageKind::Paint), true;
    if (action == "lbuttonup") return e.message = simple(MessageKind::LButtonUp), true;
    if (action == "cancelmode") return e.message = simple(MessageKind::CancelMode), true;
    if (action == "quit") return e.action = ScriptEntry::Action::Quit, true;
    if (action == "fail") return e.action = ScriptEntry::Action::Fail, true;
    return false;
  }
  if (action == "activate" && arguments == 1 && (w[2] == "0" || w[2] == "1")) {
    e.message = simple(MessageKind::ActivateApp, w[2] == "1" ? 1 : 0);
    return true;
  }
  if (action == "syscommand" && arguments == 1) {
    const auto code = named(w[2], kSysCommands, std::size(kSysCommands));
    if (!code) return false;
    e.message = simple(MessageKind::SysCommand, *code);
    return true;
  }
  if (action == "power" && arguments == 1) {
    const auto event = named(w[2], kPowerEvents, std::size(kPowerEvents));
    if (!event) return false;
    e.message = simple(MessageKind::PowerBroadcast, *event);
    return true;
  }
  if (action == "copydata" && arguments == 2) {
    const auto id = number(w[2]);
    if (!id || *id < 0 || *id > UINT32_MAX) return false;
    e.message = simple(MessageKind::CopyData);
    e.message.dataId = static_cast<uint32_t>(*id);
    e.message.data.assign(w[3].begin(), w[3].end());
    return true;
  }
  if (action == "cursor" && arguments == 2) {
    const auto x = number(w[2]);
    const auto y = number(w[3]);
    if (!x || !y || *x < INT32_MIN || *x > INT32_MAX || *y < INT32_MIN || *y > INT32_MAX) {
      return false;
    }
    e.action = ScriptEntry::Action::Cursor;
    e.cursor = {static_cast<int32_t>(*x), static_cast<int32_t>(*y)};
    return true;
  }
  return false;
}

}  // namespace

std::vector<ScriptEntry> parseMessageScript(std::string_view text, std::string& error) {
  std::vector<ScriptEntry> entries;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(";\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view entry = text.substr(start, end - start);
    start = end + 1;
    const std::vector<std::string> w = words(entry);
    if (w.empty()) continue;
    ScriptEntry e;
    const auto at = w.size() >= 2 ? number(w[0]) : std::nullopt;
    if (!at || *at < 0 || *at > UINT32_MAX || !parseAction(w, e)) {
      error = "bad window script entry \"" + std::string(entry) + "\"";
      return {};
    }
    e.at = static_cast<uint32_t>(*at);
    entries.push_back(std::move(e));
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ScriptEntry& a, const ScriptEntry& b) { return a.at < b.at; });
  return entries;
}

}  // namespace platform::window
