// Feeds arbitrary bytes to the sound-source reader, which takes chunk sizes, format records,
// list structure and frame headers from the data. The sanitizers watch the reads; the checks
// below hold the reader to its promises: it never delivers more than asked, never more than
// its PCM length (except Ogg Vorbis, whose length is the stream's own), and reads the same
// bytes again after a rewind.

#include "foundation/dbtl/DDataOverride.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/rcptr.h"
#include "sound/DWave.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

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

// Reads at most `limit` bytes in pieces; a fuzzed length may claim gigabytes.
std::vector<uint8_t> readSome(dbtl::DWave& wave, uint32_t piece, size_t limit) {
  std::vector<uint8_t> all;
  std::vector<uint8_t> buffer(piece);
  require(wave.BeginDecode());
  while (all.size() < limit) {
    const int32_t n = wave.Read(buffer.data(), piece);
    if (n <= 0) break;
    require(static_cast<uint32_t>(n) <= piece);
    all.insert(all.end(), buffer.begin(), buffer.begin() + n);
  }
  wave.EndDecode();
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dbtl::rcptr<InputSource> source;
  source.Create(1);
  source->Set(data, size);
  dbtl::DFile file;
  if (!file.OpenOverride("fuzz", dbtl::rcptr<dbtl::DDataOverride>(source))) return 0;
  dbtl::DWave wave;
  if (!wave.Open(file)) return 0;
  constexpr size_t kLimit = 1 << 20;
  const std::vector<uint8_t> first = readSome(wave, 4093, kLimit);
  if (wave.GetKind() != dbtl::DWave::KIND_VORBIS) require(first.size() <= wave.GetLength());
  wave.Rewind();
  const std::vector<uint8_t> second = readSome(wave, 777, kLimit);
  const size_t common = std::min(first.size(), second.size());
  require(std::equal(first.begin(), first.begin() + common, second.begin()));
  wave.Rewind();
  if (wave.BeginDecode()) {
    wave.Seek(0.01f);
    uint8_t byte[64];
    wave.Read(byte, sizeof byte);
    wave.EndDecode();
  }
  return 0;
}
