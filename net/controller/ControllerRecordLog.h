#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class File;

// One recorded frame run: the frame's packed flags (and, for kind 2, its analog values) and how
// many further identical frames followed it.
struct ControllerLogEntry {
  uint32_t repeat = 0;
  uint64_t bits = 0;
  std::array<float, 16> analog{};
};

// What a controller produced frame by frame, in chunks of 600 entries. Kind 1 keeps the flags
// only; kind 2 also the analog values, and frames count as equal only when every value has the
// same bit pattern (so -0.0 and NaN payloads replay exactly as recorded).
class ControllerRecordLog {
 public:
  static constexpr uint32_t kChunkEntries = 600;

  explicit ControllerRecordLog(uint32_t kind) : kind_(kind) {}

  uint32_t kind() const { return kind_; }
  // (chunks - 1) x 600 + the entries of the last chunk; 0 without a chunk.
  uint32_t count() const;
  uint32_t chunkCount() const { return static_cast<uint32_t>(chunks_.size()); }
  const ControllerLogEntry& entry(uint32_t index) const;

  // Adds one frame: raises the last entry's repeat when the frame equals it, else appends.
  void add(uint64_t bits, const std::array<float, 16>& analog);
  // Kind, count, then every entry in order, big-endian through the file layer.
  void write(File& file) const;

 private:
  using Chunk = std::array<ControllerLogEntry, kChunkEntries>;

  uint32_t kind_;
  std::vector<std::unique_ptr<Chunk>> chunks_;
  uint32_t usedInLast_ = 0;
  ControllerLogEntry* last_ = nullptr;
};
