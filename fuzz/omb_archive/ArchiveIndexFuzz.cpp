// Feeds arbitrary archive bytes to the resource-archive index reader, as the file layer does
// when it registers an archive. The input stands for the descrambled bytes: the position XOR is a
// fixed one-to-one mapping, so this covers every file, and the fuzzer's comparison hints then
// match the bytes it mutates. The sanitizers watch the reads; the checks hold the reader to its
// promises: an accepted index has no more entries than the file can hold and every entry's data
// lies inside the file, back to back after the index.

#include "foundation/omb/file/ombFileArchiveIndex.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Parsed<std::vector<OmbArchiveEntryInfo>> parsed = ombArchiveParseIndex({data, size}, size);
  if (!parsed.ok()) {
    require(!parsed.error().truncated && parsed.error().offset <= size);
    return 0;
  }
  const std::vector<OmbArchiveEntryInfo>& entries = parsed.value();
  require(size >= OMB_ARCHIVE_HEADER_SIZE);
  require(entries.size() <= (size - OMB_ARCHIVE_HEADER_SIZE) / OMB_ARCHIVE_MIN_ENTRY_SIZE);
  uint64_t indexSize = OMB_ARCHIVE_HEADER_SIZE;
  for (const OmbArchiveEntryInfo& entry : entries) {
    indexSize += OMB_ARCHIVE_MIN_ENTRY_SIZE + 2 * entry.name.size();
  }
  uint64_t expected = indexSize;
  for (const OmbArchiveEntryInfo& entry : entries) {
    require(entry.offset == expected);
    require(entry.size <= size - entry.offset);
    expected = entry.offset + entry.size;
  }
  return 0;
}
