#include "platform/d3d9/CallLog.h"

namespace d3d9 {

std::string CallRecord::text() const {
  std::string out = name;
  out += '(';
  for (uint32_t i = 0; i < argCount; ++i) {
    if (i) out += ',';
    out += std::to_string(args[i]);
  }
  out += ')';
  return out;
}

void CallLog::add(const char* name, std::initializer_list<uint64_t> args) {
  if (!enabled_) return;
  CallRecord r{name, 0, {}};
  for (uint64_t a : args) {
    if (r.argCount == r.args.size()) break;
    r.args[r.argCount++] = a;
  }
  records_.push_back(r);
}

std::vector<std::string> CallLog::lines(std::string_view onlyName) const {
  std::vector<std::string> out;
  for (const auto& r : records_) {
    if (onlyName.empty() || onlyName == r.name) out.push_back(r.text());
  }
  return out;
}

size_t CallLog::count(std::string_view name) const {
  size_t n = 0;
  for (const auto& r : records_) n += name == r.name;
  return n;
}

}  // namespace d3d9
