// Parses model files made from arbitrary bytes. A broken file must give the parser's error,
// never a read outside the data, an allocation the file cannot back, or a crash; a model that
// parses must answer its look-ups and compile its old parts whose corners lie inside their
// arrays (the one thing compiling checks, fatally, on its own).
//
// The first byte picks the road. With bit 7 set the rest is the file's descrambled bytes.
// Otherwise a complete sample model of version (byte % 17) is built and the rest of the input
// edits it, three bytes an edit: a 16-bit offset and the byte to put there (an offset past the
// end cuts the file there), so the parser's deep paths are reached from the first run.

#include "model/L3DHandles.h"
#include "model/L3DObjectData.h"
#include "testsupport/ModelFileBuilder.h"
#include "testsupport/ModelSample.h"

#include "../model_common/ByteEdits.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace {

std::vector<uint8_t> edited(uint32_t version, const uint8_t* data, size_t size) {
  return fuzzEdited(modelfile::write(modelfile::fullModel(version)), data, size);
}

bool cornersInside(const L3DPartData& part) {
  for (uint32_t m = 0; m < part.matCount; ++m) {
    const L3D_PARTDATA_MAT& mat = part.mats[m];
    for (uint32_t j = 0; j < mat.cornerCount; ++j) {
      const L3DPartCorner& c = mat.corners[j];
      if (c.pointIndex >= mat.pointCount || c.normalIndex >= mat.normalCount ||
          c.colourIndex >= part.colourCount || c.uvIndex >= part.uvCount) {
        return false;
      }
    }
  }
  return true;
}

void exercise(L3DObjectData& data) {
  for (auto it = data.parts.Begin(); it != data.parts.End(); it = dbtl::DListBase::Next(it)) {
    dbtl::rcptr<L3DPartData> part = dbtl::DList<L3DPartData>::Get(it);
    if (part->boneCount != 0) data.GetPartBoneDataFromNumber(part, part->_CountBones());
    if (part->meshCount == 0 && part->matCount != 0 && cornersInside(*part)) {
      part->CompileRuntime();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::vector<uint8_t> bytes = (data[0] & 0x80)
                                         ? std::vector<uint8_t>(data + 1, data + size)
                                         : edited(data[0] % 17, data + 1, size - 1);
  auto model = l3dNewObject<L3DObjectData>();
  const Parsed<> parsed = model->Parse(bytes.data(), bytes.size(), "fuzz.dgo");
  if (!parsed.ok()) {
    if (parsed.error().text.empty() || parsed.error().offset > bytes.size()) __builtin_trap();
    return 0;
  }
  exercise(*model);
  return 0;
}
