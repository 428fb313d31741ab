// Loads model files made from arbitrary bytes. A broken file must end in the fatal error
// (LExceptGame), never in a read outside the data, an allocation the file cannot back, or a
// crash; a model that loads must answer its look-ups and compile its old parts.
//
// The first byte picks the road. With bit 7 set the rest is the file itself, scrambled as
// stored and read through a DFile. Otherwise a complete sample model of version (byte % 17)
// is built and the rest of the input edits it, three bytes an edit: a 16-bit offset and the
// byte to put there (an offset past the end cuts the file there), so the loader's deep paths
// are reached from the first run.

#include "foundation/lerr/LExceptGame.h"
#include "model/L3DHandles.h"
#include "model/L3DObjectData.h"

#include "foundation/tests/DMemorySource.h"
#include "model/tests/ModelFileBuilder.h"
#include "model/tests/ModelSample.h"

#include "../model_common/ByteEdits.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace {

std::vector<uint8_t> edited(uint32_t version, const uint8_t* data, size_t size) {
  return fuzzEdited(modelfile::write(modelfile::fullModel(version)), data, size);
}

void exercise(L3DObjectData& data) {
  for (auto it = data.parts.Begin(); it != data.parts.End(); it = dbtl::DListBase::Next(it)) {
    dbtl::rcptr<L3DPartData> part = dbtl::DList<L3DPartData>::Get(it);
    if (part->boneCount != 0) data.GetPartBoneDataFromNumber(part, part->_CountBones());
    if (part->meshCount == 0 && part->matCount != 0) part->CompileRuntime();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzQuietErrors();
  if (size < 1) return 0;
  std::vector<uint8_t> bytes = (data[0] & 0x80) ? std::vector<uint8_t>(data + 1, data + size)
                                                : edited(data[0] % 17, data + 1, size - 1);
  try {
    auto model = l3dNewObject<L3DObjectData>();
    if (data[0] & 0x80) {
      dbtl::rcptr<DMemorySource> source;
      source.Create(1);
      source->data = modelfile::scrambled(std::move(bytes));
      dbtl::DFile file;
      file.OpenOverride("fuzz.dgo", source);
      model->Load(file);
    } else {
      model->Load(bytes.data(), bytes.size(), "fuzz.dgo");
    }
    exercise(*model);
  } catch (const LExceptGame&) {
  }
  return 0;
}
