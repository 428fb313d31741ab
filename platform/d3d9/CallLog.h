#pragma once

// The device's call log: state and resource calls in the order they reached the device, with
// their arguments as numbers (pointers as addresses, floats as their bits). It is off until a
// test turns it on, so a running game does not grow it without bound.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace d3d9 {

struct CallRecord {
  const char* name;
  uint32_t argCount;
  std::array<uint64_t, 6> args;

  // "SetRenderState(27,1)": the name and the arguments in decimal.
  std::string text() const;
};

class CallLog {
 public:
  void setEnabled(bool on) { enabled_ = on; }
  bool enabled() const { return enabled_; }
  void clear() { records_.clear(); }

  void add(const char* name, std::initializer_list<uint64_t> args);

  const std::vector<CallRecord>& records() const { return records_; }
  // The records as text, one per call, optionally only those with the given name.
  std::vector<std::string> lines(std::string_view onlyName = {}) const;
  size_t count(std::string_view name) const;

 private:
  bool enabled_ = false;
  std::vector<CallRecord> records_;
};

}  // namespace d3d9
