// Feeds arbitrary bytes to the "DMF " index parser and container, and to the relocation of the
// position-scrambled pointer reader, all of which take every count, length and offset from the
// data. The sanitizers watch the reads; the checks below hold the container to its promise that
// every entry lies inside it and a relocated pointer to its block.

#include "foundation/bytes/ByteReader.h"
#include "foundation/dbtl/DDataOverride.h"
#include "foundation/dbtl/DExceptFile.h"
#include "foundation/dbtl/DMFile.h"
#include "foundation/lfm/lfmScrambled.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

// The fuzz input as a read-only data source.
class InputSource : public dbtl::DDataOverride {
 public:
  InputSource() = default;
  void Set(const uint8_t* data, size_t size) {
    m_data = data;
    m_size = size;
  }
  int64_t Write(const void*, size_t) override { return -1; }
  int64_t Read(void* bytes, size_t n) override {
    const size_t count = m_position < m_size ? std::min(n, m_size - m_position) : 0;
    if (count != 0) std::memcpy(bytes, m_data + m_position, count);
    m_position += count;
    return static_cast<int64_t>(count);
  }
  bool Seek(int64_t to, int mode) override {
    const int64_t base = mode == 1 ? 0 : mode == 2 ? static_cast<int64_t>(m_position)
                                       : static_cast<int64_t>(m_size);
    if ((mode != 1 && mode != 2 && mode != 4) || base + to < 0) return false;
    m_position = static_cast<size_t>(base + to);
    return true;
  }
  int64_t Tell() override { return static_cast<int64_t>(m_position); }
  int64_t GetSize() override { return static_cast<int64_t>(m_size); }
  bool Truncate() override { return false; }
  bool Flush() override { return true; }

 private:
  const uint8_t* m_data = nullptr;
  size_t m_size = 0;
  size_t m_position = 0;
};

// A file over the input.
bool openInput(dbtl::DFile& file, const uint8_t* data, size_t size) {
  dbtl::rcptr<InputSource> source;
  source.Create(1);
  source->Set(data, size);
  return file.OpenOverride("fuzz", source);
}

// Entry names that the index may hold: the first few name fields, read as the index lays them
// out (a name length and that many bytes after the header).
std::vector<std::string> candidateNames(const uint8_t* data, size_t size) {
  std::vector<std::string> names{"", "a", "spec"};
  size_t at = 8;
  for (int i = 0; i < 4 && at + 4 <= size; ++i) {
    const uint32_t length = data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                            static_cast<uint32_t>(data[at + 3]) << 24;
    at += 4;
    if (length > 263 || at + length > size) break;
    names.emplace_back(reinterpret_cast<const char*>(data + at), length);
    at += length + 8;
  }
  return names;
}

void fuzzContainer(const uint8_t* data, size_t size, bool throwMode) {
  dbtl::DFile file;
  require(openInput(file, data, size));
  file.SetThrowMode(throwMode);
  dbtl::DMFile container;
  try {
    if (!container.Open(file)) {
      require(!container.IsOpen());
      return;
    }
  } catch (const dbtl::DExceptFile&) {
    require(throwMode && !container.IsOpen());
    return;
  }
  require(file.GetThrowMode() == throwMode);
  for (const std::string& name : candidateNames(data, size)) {
    dbtl::DFile entry;
    if (!container.OpenEntry(name.c_str(), entry)) continue;
    entry.SetThrowMode(false);
    const int64_t length = entry.GetSize();
    require(length >= 0 && static_cast<uint64_t>(length) <= size);
    std::vector<uint8_t> bytes(static_cast<size_t>(length) + 1);
    const int64_t got = entry.Read(bytes.data(), bytes.size());
    require(got == length || (length == 0 && got == -1));
  }
}

void fuzzIndex(const uint8_t* data, size_t size) {
  const Parsed<dbtl::DMFileIndex> parsed =
      dbtl::DMFileParseIndex({data, size}, static_cast<int64_t>(size));
  if (!parsed.ok()) {
    require(parsed.error().offset <= size);
    return;
  }
  require(parsed.value().end <= size);
  for (const dbtl::DMFileIndexEntry& entry : parsed.value().entries) {
    require(uint64_t{entry.offset} + entry.size <= size && entry.name.size() <= 263);
  }
}

// Stored pointer triples, as the scrambled pointer reader takes them from a file.
void fuzzPointers(const uint8_t* data, size_t size) {
  alignas(8) unsigned char block[256];
  ByteReader in(data, size);
  while (in.has(12)) {
    const uint32_t stored = in.u32le();
    const uint32_t storedBase = in.u32le();
    const uint32_t count = in.u32le();
    const std::optional<LfmPointer> p =
        lfmRelocatePointer(stored, storedBase, count, block, sizeof block, 4, 4);
    if (p && p->pointer != nullptr) {
      const auto* at = static_cast<unsigned char*>(p->pointer);
      require(at >= block && at + static_cast<size_t>(p->count) * 4 <= block + sizeof block);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzIndex(data, size);
  fuzzContainer(data, size, false);
  fuzzContainer(data, size, true);
  fuzzPointers(data, size);
  return 0;
}
