#include "model/file/L3DLegacyBlocks.h"

#include "foundation/dbtl/DString.h"
#include "model/file/L3DModelReader.h"

#include <vector>

namespace {

void skipString(L3DModelReader& r) { r.Skip(r.U32()); }

// A tree of nodes {u32, u32, u32, subtree}; walked with an explicit stack of the nodes left
// on each level, so a deeply nested file cannot exhaust the call stack.
void skipTree(L3DModelReader& r) {
  std::vector<uint32_t> left{r.Count(16)};
  while (!left.empty()) {
    if (left.back() == 0) {
      left.pop_back();
      continue;
    }
    --left.back();
    r.Skip(12);
    left.push_back(r.Count(16));
  }
}

}  // namespace

void l3dSkipLegacyCollisions(L3DModelReader& r) {
  const uint32_t count = r.Count(40);
  for (uint32_t i = 0; i < count; ++i) {
    r.Skip(8);
    skipString(r);
    skipString(r);
    r.Skip(12 + 12);
  }
}

void l3dSkipLegacyVersion6(L3DModelReader& r) {
  const uint32_t count = r.Count(16);
  for (uint32_t i = 0; i < count; ++i) {
    skipString(r);
    skipString(r);
    r.Skip(4);
    const uint32_t items = r.Count(56);
    for (uint32_t j = 0; j < items; ++j) {
      const uint32_t kind = r.U32();
      r.Skip(12 + 16 + 24);
      if (kind == 1) r.Skip(12);
      if (kind == 2 || kind == 3) r.Skip(4);
    }
  }
}

void l3dSkipLegacyMotions(L3DModelReader& r) {
  const uint32_t count = r.Count(24);
  for (uint32_t i = 0; i < count; ++i) {
    skipString(r);
    skipString(r);
    r.Skip(static_cast<size_t>(r.Count(316)) * 316);
    skipTree(r);
    r.Skip(static_cast<size_t>(r.Count(304)) * 304);
    r.Skip(static_cast<size_t>(r.Count(12)) * 12);
  }
}
