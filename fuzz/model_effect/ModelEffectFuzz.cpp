// Parses effect definition and effect data files made from arbitrary bytes. A broken file must
// give the parser's error, never a read outside the data, an allocation the file cannot back,
// or a crash; what parses must keep every image and model number its events use inside the
// definition's tables.
//
// The first byte picks the road. Bit 6 chooses the definition (set) or a data file (clear).
// With bit 7 set the rest is the file's descrambled bytes. Otherwise a valid sample file is
// built (a data file of version 5 or 6 by bit 0) and the rest edits it, three bytes an edit: a
// 16-bit offset and the byte to put there (an offset past the end cuts the file there), so the
// deep paths are reached from the first run.

#include "model/effect/L3DEffectData.h"
#include "model/effect/L3DEffectEventRead.h"
#include "model/effect/L3DEffectProp.h"
#include "testsupport/EffectFileBuilder.h"

#include "../model_common/ByteEdits.h"

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

void checkProp(const L3DEffectProp& prop) {
  for (uint32_t i = 0; i < prop.imageCount; ++i) (void)prop.BatchKey(prop.images[i]);
  for (uint32_t m = 0; m < prop.modelCount; ++m) {
    const L3D_EFFECT_MODEL& model = prop.models[m];
    for (uint32_t k = 0; k < model.indexCount; ++k) {
      if (model.indices[k] >= model.vertexCount) std::abort();
    }
  }
}

void checkPart(const L3D_EFFECT_PARTDATA& part, const L3DEffectProp& prop) {
  for (uint32_t e = 0; e < part.eventCount; ++e) {
    const L3D_EFFECT_EVENT& event = part.events[e];
    if (event.kind > L3D_EFFECT_KIND_MAX) std::abort();
    if (e > 0 && part.events[e - 1].frame > event.frame) std::abort();
    const L3DEffectEventRefs refs = l3dEffectEventRefs(event.kind);
    for (uint8_t word : refs.images) {
      if (word != 0 && event.U(word) >= prop.imageCount) std::abort();
    }
    if (refs.model != 0 &&
        (event.I(refs.model) < -7 || event.I(refs.model) >= int64_t(prop.modelCount))) {
      std::abort();
    }
  }
}

}  // namespace

// A failed parse names what went wrong at an offset inside the data.
bool failedSoundly(const Parsed<>& parsed, size_t size) {
  if (parsed.ok()) return false;
  if (parsed.error().text.empty() || parsed.error().offset > size) std::abort();
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool definition = (data[0] & 0x40) != 0;
  const uint32_t version = 5 + (data[0] & 1);
  std::vector<uint8_t> bytes;
  if (data[0] & 0x80) {
    bytes.assign(data + 1, data + size);
  } else {
    bytes = definition ? effectfile::write(effectfile::sampleProp())
                       : effectfile::write(effectfile::sampleData(version));
    bytes = fuzzEdited(std::move(bytes), data + 1, size - 1);
  }
  L3DEffectProp prop;
  if (definition) {
    if (failedSoundly(l3dParseEffectProp(prop, bytes.data(), bytes.size(), "fuzz", 0, "fuzz", {}),
                      bytes.size())) {
      return 0;
    }
    checkProp(prop);
    return 0;
  }
  const std::vector<uint8_t> sample = effectfile::write(effectfile::sampleProp());
  if (!l3dParseEffectProp(prop, sample.data(), sample.size(), "def", 0, "def", {}).ok()) {
    std::abort();
  }
  L3D_EFFECT_DATA effects;
  if (failedSoundly(l3dParseEffectData(effects, bytes.data(), bytes.size(), "fuzz", prop),
                    bytes.size())) {
    return 0;
  }
  for (uint32_t r = 0; r < effects.rootCount; ++r) {
    checkPart(effects.roots[r].root, prop);
    for (uint32_t j = 0; j < effects.roots[r].childCount; ++j) {
      checkPart(effects.roots[r].children[j], prop);
    }
  }
  return 0;
}
