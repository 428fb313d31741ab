#include "net/controller/ControllerRecordLog.h"

#include "foundation/file/File.h"

#include <cstring>

uint32_t ControllerRecordLog::count() const {
  if (chunks_.empty()) {
    return 0;
  }
  return static_cast<uint32_t>(chunks_.size() - 1) * kChunkEntries + usedInLast_;
}

const ControllerLogEntry& ControllerRecordLog::entry(uint32_t index) const {
  return (*chunks_[index / kChunkEntries])[index % kChunkEntries];
}

void ControllerRecordLog::add(uint64_t bits, const std::array<float, 16>& analog) {
  if (last_ && last_->bits == bits &&
      (kind_ != 2 || std::memcmp(last_->analog.data(), analog.data(), sizeof analog) == 0)) {
    ++last_->repeat;
    return;
  }
  if (chunks_.empty() || usedInLast_ == kChunkEntries) {
    chunks_.push_back(std::make_unique<Chunk>());
    usedInLast_ = 0;
  }
  last_ = &(*chunks_.back())[usedInLast_++];
  last_->repeat = 0;
  last_->bits = bits;
  last_->analog = kind_ == 2 ? analog : std::array<float, 16>{};
}

void ControllerRecordLog::write(File& file) const {
  file.writeU32(kind_);
  const uint32_t total = count();
  file.writeU32(total);
  for (uint32_t i = 0; i < total; ++i) {
    const ControllerLogEntry& e = entry(i);
    file.writeU32(e.repeat);
    file.writeU64(e.bits);
    if (kind_ == 2) {
      for (float value : e.analog) {
        file.writeF32(value);
      }
    }
  }
}
