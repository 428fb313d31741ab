#include "platform/acm/BlockCodec.h"
#include "platform/acm/Converter.h"

#include <map>
#include <mutex>

namespace acm {

namespace {

struct Registry {
  std::mutex lock;
  std::map<uint16_t, ConverterFactory> factories{
      {WAVE_FORMAT_PCM, &makePcmConverter},
      {WAVE_FORMAT_ADPCM, &makeMsAdpcmConverter},
      {WAVE_FORMAT_ALAW, &makeALawConverter},
      {WAVE_FORMAT_MULAW, &makeMuLawConverter},
      {WAVE_FORMAT_IMA_ADPCM, &makeImaAdpcmConverter},
  };
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

ConverterFactory findConverter(uint16_t formatTag) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  const auto it = r.factories.find(formatTag);
  return it == r.factories.end() ? nullptr : it->second;
}

void registerConverter(uint16_t formatTag, ConverterFactory factory) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (factory) {
    r.factories[formatTag] = factory;
  } else {
    r.factories.erase(formatTag);
  }
}

}  // namespace acm
