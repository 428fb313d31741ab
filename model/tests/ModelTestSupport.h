#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/rcptr.h"
#include "model/L3DHandles.h"
#include "model/L3DObjectData.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/LerrCapture.h"
#include "testsupport/ModelFileBuilder.h"

#include <string>
#include <vector>

// Loads a model the way the loaders do: the scrambled file behind a DFile named "m.dgo".
inline dbtl::rcptr<L3DObjectData> loadBytes(const std::vector<uint8_t>& plain) {
  dbtl::rcptr<DMemorySource> source;
  source.Create(1);
  source->data = modelfile::scrambled(plain);
  dbtl::DFile file;
  file.OpenOverride("m.dgo", source);
  auto data = l3dNewObject<L3DObjectData>();
  data->Load(file);
  return data;
}

inline dbtl::rcptr<L3DObjectData> loadModel(const modelfile::Model& model) {
  return loadBytes(modelfile::write(model));
}

// The fatal message that loading the model ends with.
inline std::u16string loadFailure(LerrCapture& capture, const modelfile::Model& model) {
  const std::vector<uint8_t> bytes = modelfile::write(model);
  return capture.FatalText([&] { loadBytes(bytes); });
}

template <class T>
std::vector<dbtl::rcptr<T>> items(dbtl::DList<T>& list) {
  std::vector<dbtl::rcptr<T>> out;
  for (auto it = list.Begin(); it != list.End(); it = dbtl::DListBase::Next(it)) {
    out.push_back(dbtl::DList<T>::Get(it));
  }
  return out;
}

inline std::string text(const L3DPoolRef& r) {
  return r.text == nullptr ? std::string("<null>") : std::string(r.text, r.length);
}
