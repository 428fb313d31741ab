#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class BinManager;

// One data file a script loaded whole into memory. Scripts hold it as a checked handle; only
// the list that loaded it accepts the handle back.
struct Binary {
  BinManager* owner = nullptr;  // null once unlinked
  uint32_t size = 0;
  std::unique_ptr<uint8_t[]> data;
  int32_t handle = 0;

  // Reads the whole file (archives first, then the disk); every failure is fatal ("File::create",
  // "File::getSize", "File::read").
  void load(const char16_t* path);

  // Bytes at an offset: the reads give 0 and the writes change nothing outside the block.
  uint8_t readU8(int32_t offset) const;
  int32_t readI32(int32_t offset) const;
  // Stores the value clamped to 0..255; returns the byte that was there.
  uint8_t writeU8(int32_t offset, int32_t value);
  // Stores the value big-endian; returns the value that was there.
  int32_t writeI32(int32_t offset, int32_t value);

 private:
  bool fits(int32_t offset, uint32_t length) const;
};

// An engine's loaded binaries, in load order. What the scripts never destroyed goes with the
// engine's subresources.
class BinManager {
 public:
  BinManager() = default;
  ~BinManager();
  BinManager(const BinManager&) = delete;
  BinManager& operator=(const BinManager&) = delete;

  // The path joined to the directory, a new binary appended and loaded.
  Binary* create(const char16_t* path, const char16_t* directory);
  // Frees the binary's data, retires its handle, unlinks and deletes it.
  void release(Binary* binary);
  // Releases every binary still listed, each with a debug message.
  void destroy();

  bool owns(const Binary* binary) const { return binary != nullptr && binary->owner == this; }
  size_t count() const { return binaries_.size(); }

 private:
  std::vector<std::unique_ptr<Binary>> binaries_;
};
