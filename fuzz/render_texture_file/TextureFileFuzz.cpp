// Parses texture files made from arbitrary bytes the way a model's texture reaches the device:
// the "dgt" container's index, its "spec" entry and the DXT levels of its "compress" entry, or
// the image of its "raw" entry (or of a plain image file), so that every size and offset comes
// from the input. A broken file must give the parser's error (or the image reader's false),
// never a read outside a buffer; levels that parse lie inside the entry.
//
// The first byte picks the road: bit 0 a DXT3 (alpha) reading of the levels whatever the tag
// says, bit 1 mip levels, bit 2 the bytes as a plain image file. Without bit 2 a "dgt" container
// is built around the rest: the second byte chooses the tag (DTCC, DTCA or four bytes of the
// input), the edge length (4 to 512, or four bytes of the input) and which entries are left
// out; what follows is the "compress" and the "raw" entry alike.

#include "foundation/dbtl/DMFile.h"
#include "image/file/DimgLoad.h"
#include "render/device/L3DTextureFile.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/DmfBuilder.h"

#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

std::vector<uint8_t> dgtAround(const uint8_t* data, size_t size) {
  if (size < 5) return std::vector<uint8_t>(data, data + size);
  const uint8_t choice = data[0];
  std::string spec;
  if (choice & 2) {
    spec.assign(reinterpret_cast<const char*>(data + 1), 4);
  } else {
    spec = (choice & 1) ? "DTCA" : "DTCC";
  }
  if (choice & 0x80) {
    spec.append(reinterpret_cast<const char*>(data + 1), 4);
  } else {
    const uint32_t edge = 4u << (choice >> 2 & 7);
    for (int i = 0; i < 4; ++i) spec += char(edge >> (8 * i));
  }
  const std::string rest(reinterpret_cast<const char*>(data + 5), size - 5);
  DmfBuilder dmf;
  if (!(choice & 0x20)) dmf.Add("spec", spec);
  if (!(choice & 0x40)) dmf.Add("compress", rest);
  dmf.Add("raw", rest);
  return dmf.Bytes();
}

// An image reader over bytes in memory: a picture with memory, or false and none.
void loadImage(std::vector<uint8_t> bytes) {
  dbtl::rcptr<DMemorySource> source;
  source.Create(1);
  source->data = std::move(bytes);
  source->data.reserve(source->data.size() + 1);
  dbtl::DFile file;
  file.OpenOverride("t.png", source);
  dbtl::DImage image;
  if (!DimgLoad(file, image)) {
    require(image.GetBuffer() == nullptr);
    return;
  }
  require(image.GetBuffer() != nullptr);
  l3dInvertAlpha(image);
}

std::span<const uint8_t> entryBytes(const std::vector<uint8_t>& file, const dbtl::DMFileIndex& index,
                                    const char* name) {
  for (const dbtl::DMFileIndexEntry& entry : index.entries) {
    if (entry.name == name) return std::span<const uint8_t>(file).subspan(entry.offset, entry.size);
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t road = data[0];
  if (road & 4) {
    loadImage(std::vector<uint8_t>(data + 1, data + size));
    return 0;
  }
  const std::vector<uint8_t> file = dgtAround(data + 1, size - 1);
  const Parsed<dbtl::DMFileIndex> index =
      dbtl::DMFileParseIndex(file, static_cast<int64_t>(file.size()));
  if (!index.ok()) return 0;
  const Parsed<L3DTextureSpec> spec =
      l3dParseTextureSpec(entryBytes(file, index.value(), "spec"), "t.dgt");
  if (!spec.ok()) {
    require(!spec.error().text.empty());
    return 0;
  }
  const uint32_t edge = spec.value().edge;
  uint32_t levels = 1;
  if (road & 2) {
    for (uint32_t e = edge; e / 2 >= 4; e /= 2) ++levels;
  }
  const std::span<const uint8_t> compressed = entryBytes(file, index.value(), "compress");
  const auto parsed = l3dParseDxtLevels(compressed, edge, (road & 1) || spec.value().alpha, levels,
                                        "t.dgt");
  if (parsed.ok()) {
    require(parsed.value().size() == levels);
    for (const std::span<const uint8_t>& level : parsed.value()) {
      require(level.data() >= compressed.data() &&
              level.data() + level.size() <= compressed.data() + compressed.size());
    }
  }
  const std::span<const uint8_t> raw = entryBytes(file, index.value(), "raw");
  loadImage(std::vector<uint8_t>(raw.begin(), raw.end()));
  return 0;
}
