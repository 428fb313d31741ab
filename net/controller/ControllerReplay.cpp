#include "net/controller/ControllerReplay.h"

#include "foundation/file/File.h"
#include "foundation/omb/ombLog.h"

#include <algorithm>

namespace {

constexpr uint64_t kEntryBytes1 = 12;              // u32 repeat, u64 bits
constexpr uint64_t kEntryBytes2 = 12 + 16 * 4;     // ... and 16 f32 analog values

// Runs the read that finds the end of the file inside an entry, so that the error names the
// value that is missing ("File::readU32", "File::readU64" or "File::readF32").
void failShortEntry(File& file, uint64_t left) {
  if (left < 4) {
    file.readU32();
  } else if (left < 12) {
    file.readU32();
    file.readU64();
  } else {
    file.readU32();
    file.readU64();
    for (uint64_t have = left - 12; have >= 4; have -= 4) {
      file.readF32();
    }
    file.readF32();
  }
}

}  // namespace

ControllerReplay::ControllerReplay(File& file) : Controller(kRecordNone) {
  // Under an error hook that returns, one failed read is reported and the stream stays empty.
  const uint64_t headLeft = file.bytesLeft();
  kind_ = file.readU32();
  if (headLeft < 4) {
    return;
  }
  const uint32_t count = file.readU32();
  if (headLeft < 8) {
    return;
  }
  if (kind_ != kRecordFlags && kind_ != kRecordFlagsAnalog) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 不明なリプレイ種別です(%u)",
                 "ControllerReplay::ControllerReplay", kind_);
    return;
  }
  const uint64_t entryBytes = kind_ == kRecordFlags ? kEntryBytes1 : kEntryBytes2;
  uint64_t left = file.bytesLeft();
  entries_.reserve(std::min<uint64_t>(count, left / entryBytes));
  for (uint32_t i = 0; i < count; ++i) {
    if (left < entryBytes) {
      failShortEntry(file, left);
      return;
    }
    ControllerLogEntry entry;
    entry.repeat = file.readU32();
    entry.bits = file.readU64();
    if (kind_ == kRecordFlagsAnalog) {
      for (float& value : entry.analog) {
        value = file.readF32();
      }
    }
    entries_.push_back(entry);
    left -= entryBytes;
  }
}

void ControllerReplay::release() {
  entries_.clear();
  entries_.shrink_to_fit();
  readIndex_ = 0;
}

void ControllerReplay::refresh() {
  if (readIndex_ >= entries_.size()) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] リプレイ異常", "ControllerReplay::refresh");
    return;
  }
  ControllerLogEntry& entry = entries_[readIndex_];
  unpackBits(entry.bits);
  if (kind_ == kRecordFlagsAnalog) {
    analog_ = entry.analog;
  }
  // The stored entry is consumed in place: its repeat counts down, then the next one is read.
  if (entry.repeat > 0) {
    --entry.repeat;
  } else {
    ++readIndex_;
  }
}
