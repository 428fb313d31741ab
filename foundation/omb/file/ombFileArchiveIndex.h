#pragma once

#include "foundation/bytes/Parsed.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The index of a resource archive. The whole archive file is position-scrambled (every byte XOR
// the low 8 bits of its offset); these are the descrambled bytes, all numbers big-endian:
//   0  u32 magic 0x41414643 ("AAFC")     4  u32, must be 0      8  8 bytes skipped
//   16 u32 entry count n, then n entries {u32 name length L in UTF-16 units, L units, u64 size}
// and then the entries' data back to back in index order, the first right after the index.

inline constexpr uint32_t OMB_ARCHIVE_MAGIC = 0x41414643u;
inline constexpr uint64_t OMB_ARCHIVE_HEADER_SIZE = 20;
// The smallest index entry: a length and a size around an empty name.
inline constexpr uint64_t OMB_ARCHIVE_MIN_ENTRY_SIZE = 12;

struct OmbArchiveEntryInfo {
  std::u16string name;  // as stored, not yet lower-cased
  uint64_t offset;      // from the start of the archive file
  uint64_t size;
};

// Delivers the archive's descrambled bytes in order from offset 0.
class OmbArchiveReader {
 public:
  virtual ~OmbArchiveReader() = default;
  // Exactly n bytes, or false.
  virtual bool read(void* destination, std::size_t n) = 0;
};

// The bytes of an archive already in memory (and already descrambled).
class OmbArchiveMemoryReader : public OmbArchiveReader {
 public:
  OmbArchiveMemoryReader(const uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  bool read(void* destination, std::size_t n) override;

 private:
  const uint8_t* bytes_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// The index of an archive of `fileSize` bytes from the first bytes of its descrambled data (the
// whole file, or at least its index). Refused: a wrong magic, a non-zero second word, an entry
// count or a name length that cannot fit in the rest of the file, entry data that would end past
// the end of the file; bytes that end inside the index give a truncated error when the file goes
// on. Every bound is checked before anything is allocated for it.
Parsed<std::vector<OmbArchiveEntryInfo>> ombArchiveParseIndex(std::span<const uint8_t> bytes,
                                                              uint64_t fileSize);

// Reads the index of an archive of `fileSize` bytes through the reader, in growing pieces, and
// parses it. 1, or OMB_ERR_IO for a failed read or an index the parser refuses. It never reads
// more than the file's own size.
int32_t ombArchiveReadIndex(OmbArchiveReader& reader, uint64_t fileSize,
                            std::vector<OmbArchiveEntryInfo>* entries);
