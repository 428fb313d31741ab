#include "foundation/omb/ombFileArchiveIndex.h"

#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombResult.h"

#include <cstring>

namespace {

// Reads big-endian values and counts the bytes taken, so every bound is checked against what is
// left of the file.
class IndexCursor {
 public:
  IndexCursor(OmbArchiveReader& reader, uint64_t fileSize) : reader_(reader), size_(fileSize) {}

  uint64_t position() const { return position_; }
  uint64_t left() const { return position_ < size_ ? size_ - position_ : 0; }

  bool bytes(void* destination, std::size_t n) {
    if (n > left() || !reader_.read(destination, n)) {
      return false;
    }
    position_ += n;
    return true;
  }
  bool u32(uint32_t* out) {
    uint8_t b[4];
    if (!bytes(b, sizeof b)) {
      return false;
    }
    *out = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    return true;
  }
  bool u64(uint64_t* out) {
    uint32_t high = 0;
    uint32_t low = 0;
    if (!u32(&high) || !u32(&low)) {
      return false;
    }
    *out = uint64_t{high} << 32 | low;
    return true;
  }
  // count big-endian units; the caller has checked that they fit in what is left.
  bool units(std::u16string* out, uint32_t count) {
    out->resize(count);
    if (!bytes(out->data(), std::size_t{count} * 2)) {
      return false;
    }
    for (char16_t& unit : *out) {
      uint8_t b[2];
      std::memcpy(b, &unit, 2);
      unit = static_cast<char16_t>(b[0] << 8 | b[1]);
    }
    return true;
  }

 private:
  OmbArchiveReader& reader_;
  uint64_t size_;
  uint64_t position_ = 0;
};

}  // namespace

bool OmbArchiveMemoryReader::read(void* destination, std::size_t n) {
  if (n > size_ - at_) {
    return false;
  }
  if (n > 0) {
    std::memcpy(destination, bytes_ + at_, n);
  }
  at_ += n;
  return true;
}

int32_t ombArchiveReadIndex(OmbArchiveReader& reader, uint64_t fileSize,
                            std::vector<OmbArchiveEntryInfo>* entries) {
  entries->clear();
  IndexCursor in(reader, fileSize);
  uint32_t magic = 0;
  uint32_t zero = 0;
  uint8_t skipped[8];
  uint32_t count = 0;
  if (!in.u32(&magic) || magic != OMB_ARCHIVE_MAGIC || !in.u32(&zero) || zero != 0 ||
      !in.bytes(skipped, sizeof skipped) || !in.u32(&count)) {
    return OMB_ERR_IO;
  }
  // Each entry takes at least OMB_ARCHIVE_MIN_ENTRY_SIZE bytes of the index, so a count that
  // cannot fit is refused before the entry array is made.
  if (count > in.left() / OMB_ARCHIVE_MIN_ENTRY_SIZE) {
    return OMB_ERR_IO;
  }
  entries->resize(count);
  for (OmbArchiveEntryInfo& entry : *entries) {
    uint32_t length = 0;
    if (!in.u32(&length) || length > in.left() / 2 || !in.units(&entry.name, length) ||
        !in.u64(&entry.size)) {
      entries->clear();
      return OMB_ERR_IO;
    }
  }
  // The data follow the index back to back and must end inside the file.
  uint64_t offset = in.position();
  for (OmbArchiveEntryInfo& entry : *entries) {
    entry.offset = offset;
    std::size_t end = 0;
    if (!ombCheckedAdd(offset, entry.size, &end) || end > fileSize) {
      entries->clear();
      return OMB_ERR_IO;
    }
    offset = end;
  }
  return OMB_OK;
}
