#pragma once

// Shared by the tools and benchmarks that run a game without a person at the keys: a pad per
// slot whose sixteen values follow an input file frame by frame.
//
// The file holds one line per span: "SLOT FROM-TO ITEM...", frames counted from 0 and both ends
// included; an item "bN" holds button N (0-15) at 1.0 and "aN=V" sets it to V. A '#' starts a
// comment.

#include "host/input/InputSource.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tools {

struct ScriptedPad {
  struct Span {
    long from, to;
    uint32_t index;
    float value;
  };
  std::vector<Span> spans;
  // The frame the next poll reads; the caller advances it.
  const long* frame = nullptr;
  float values[16] = {};

  // The pad as an input source; it must outlive the source.
  InputSource source() {
    InputSource s;
    s.context = this;
    s.poll = &ScriptedPad::poll;
    s.count = &ScriptedPad::count;
    s.flag = &ScriptedPad::flag;
    s.value = &ScriptedPad::value;
    return s;
  }

  static void poll(void* context) {
    auto* pad = static_cast<ScriptedPad*>(context);
    std::fill(std::begin(pad->values), std::end(pad->values), 0.0f);
    for (const Span& s : pad->spans) {
      if (*pad->frame >= s.from && *pad->frame <= s.to) pad->values[s.index] = s.value;
    }
  }
  static uint32_t count(void*) { return 16; }
  static int32_t flag(void* context, uint32_t i) {
    return i < 16 && static_cast<ScriptedPad*>(context)->values[i] >= 0.5f ? 1 : 0;
  }
  static float value(void* context, uint32_t i) {
    return i < 16 ? static_cast<ScriptedPad*>(context)->values[i] : 0.0f;
  }
};

namespace scripted_pad_detail {
inline bool parseWhole(const std::string& text, long& out) {
  char* end = nullptr;
  out = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && end != nullptr && *end == 0;
}
inline std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}
}  // namespace scripted_pad_detail

// Adds the spans of the input file at `path` to the pads of their slots (0-3). False with `why`
// naming the file or the bad line or item.
inline bool readScriptedPads(const std::string& path, std::map<int, ScriptedPad>& pads,
                             std::string& why) {
  using scripted_pad_detail::parseWhole;
  std::ifstream in(path);
  if (!in) {
    why = "cannot read the input file " + path;
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    line = scripted_pad_detail::trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    std::istringstream words(line);
    int slot = -1;
    std::string range;
    words >> slot >> range;
    long from = 0;
    long to = 0;
    const size_t dash = range.find('-');
    if (slot < 0 || slot > 3 || dash == std::string::npos ||
        !parseWhole(range.substr(0, dash), from) || !parseWhole(range.substr(dash + 1), to)) {
      why = "bad input line: " + line;
      return false;
    }
    std::string item;
    while (words >> item) {
      long index = -1;
      float v = 1.0f;
      const size_t eq = item.find('=');
      const std::string number = item.substr(1, eq == std::string::npos ? std::string::npos : eq - 1);
      if ((item[0] != 'b' && item[0] != 'a') || !parseWhole(number, index) || index < 0 ||
          index > 15 || (item[0] == 'a') != (eq != std::string::npos)) {
        why = "bad input item: " + item;
        return false;
      }
      if (eq != std::string::npos) v = std::strtof(item.c_str() + eq + 1, nullptr);
      pads[slot].spans.push_back({from, to, uint32_t(index), v});
    }
  }
  return true;
}

}  // namespace tools
