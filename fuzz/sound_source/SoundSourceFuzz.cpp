// Feeds arbitrary bytes to the sound-source reader, which takes chunk sizes, format records,
// list structure and frame headers from the data. The sanitizers watch the reads; the checks
// below hold the reader to its promises: it never delivers more than asked, never more than
// its PCM length (except Ogg Vorbis, whose length is the stream's own), and reads the same
// bytes again after a rewind.

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/rcptr.h"
#include "sound/DWave.h"
#include "testsupport/DMemorySource.h"

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
  dbtl::rcptr<DMemorySource> source;
  source.Create(1);
  source->data.assign(data, data + size);
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
