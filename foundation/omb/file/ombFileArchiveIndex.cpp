#include "foundation/omb/file/ombFileArchiveIndex.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/omb/ombCheckedMath.h"
#include "foundation/omb/ombResult.h"

#include <algorithm>
#include <cstring>

namespace {

// The first piece of an archive read for its index; each further piece doubles what is held.
constexpr uint64_t kFirstIndexRead = 64 * 1024;

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

Parsed<std::vector<OmbArchiveEntryInfo>> ombArchiveParseIndex(std::span<const uint8_t> bytes,
                                                              uint64_t fileSize) {
  ByteReader in(bytes);
  // Bounds come from the file's size, which the bytes may only begin.
  const auto left = [&] { return fileSize > in.offset() ? fileSize - in.offset() : 0; };
  const auto fail = [&](const char* text) -> ParseError {
    ParseError error{text, in.failOffset()};
    error.truncated = in.failed() && bytes.size() < fileSize;
    return error;
  };
  const uint32_t magic = in.u32be();
  if (in.failed() || magic != OMB_ARCHIVE_MAGIC) return fail("not a resource archive");
  const uint32_t zero = in.u32be();
  in.skip(8);
  const uint32_t count = in.u32be();
  if (in.failed()) return fail("archive header cut short");
  if (zero != 0) return fail("second header word not zero");
  // Each entry takes at least OMB_ARCHIVE_MIN_ENTRY_SIZE bytes of the index, so a count that
  // cannot fit is refused before the entry array is made.
  if (count > left() / OMB_ARCHIVE_MIN_ENTRY_SIZE) return fail("entry count past the end");
  std::vector<OmbArchiveEntryInfo> entries(count);
  for (OmbArchiveEntryInfo& entry : entries) {
    const uint32_t length = in.u32be();
    if (in.failed()) return fail("index cut short");
    if (length > left() / 2) return fail("entry name past the end");
    const std::span<const uint8_t> units = in.take(std::size_t{length} * 2);
    entry.size = in.u64be();
    if (in.failed()) return fail("index cut short");
    entry.name.resize(length);
    for (uint32_t i = 0; i < length; ++i) entry.name[i] = char16_t(loadU16be(&units[2 * i]));
  }
  // The data follow the index back to back and must end inside the file.
  uint64_t offset = in.offset();
  for (OmbArchiveEntryInfo& entry : entries) {
    entry.offset = offset;
    std::size_t end = 0;
    if (!ombCheckedAdd(offset, entry.size, &end) || end > fileSize) {
      return fail("entry data past the end of the file");
    }
    offset = end;
  }
  return entries;
}

int32_t ombArchiveReadIndex(OmbArchiveReader& reader, uint64_t fileSize,
                            std::vector<OmbArchiveEntryInfo>* entries) {
  entries->clear();
  std::vector<uint8_t> prefix;
  uint64_t want = std::min(fileSize, kFirstIndexRead);
  for (;;) {
    const std::size_t have = prefix.size();
    prefix.resize(want);
    if (!reader.read(prefix.data() + have, want - have)) return OMB_ERR_IO;
    Parsed<std::vector<OmbArchiveEntryInfo>> parsed = ombArchiveParseIndex(prefix, fileSize);
    if (parsed.ok()) {
      *entries = std::move(parsed.value());
      return OMB_OK;
    }
    if (!parsed.error().truncated || want == fileSize) return OMB_ERR_IO;
    want = std::min(fileSize, want * 2);
  }
}
