#include "image/DImageHolder.h"

#include "image/DimgGeometry.h"

#include <optional>

namespace dbtl {

DImageHolder::~DImageHolder() = default;

bool DImageHolder::Attach(const rcptr<uint8_t>& buffer, uint32_t width, uint32_t height,
                          uint32_t pitch, uint32_t kind) {
  if (height == 0 || !buffer) {
    return false;
  }
  const std::optional<DimgLayout> layout = DimgRowLayout(width, kind, pitch);
  if (!layout) {
    return false;
  }
  Adopt(buffer, width, height, layout->pitch, kind);
  return true;
}

}  // namespace dbtl
