#pragma once

#include "foundation/dbtl/DDataOverride.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The base library's debug log routed into the framework's log file: every text written to this
// data source is converted from code page 932 and appended to the log file while one is open.
// Reading gives nothing; seeking, truncating and flushing succeed and do nothing.
class ZErarUdizudIzo : public dbtl::DDataOverride {
 public:
  // Longest text written at once, in bytes; a longer one is cut.
  static constexpr size_t kLineLimit = 768;

  // Returns n, written or not.
  int64_t Write(const void* bytes, size_t n) override;
  int64_t Read(void*, size_t) override { return 0; }
  bool Seek(int64_t, int) override { return true; }
  int64_t Tell() override { return 0; }
  int64_t GetSize() override { return 0; }
  bool Truncate() override { return true; }
  bool Flush() override { return true; }
};

// The text as it reaches the log: up to the first NUL, cut to at most kLineLimit bytes between
// two whole characters (a lead byte is never separated from its trail byte), converted to
// UTF-16; a byte that is no character of the code page becomes U+FFFD.
std::u16string debugLogText(std::string_view bytes);
