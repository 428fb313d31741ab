#include "platform/d3d9/Resource.h"

#include "platform/d3d9/CheckedSize.h"
#include "platform/d3d9/Format.h"

namespace d3d9 {

std::optional<PixelStore> PixelStore::make(D3DFORMAT format, uint32_t width, uint32_t height,
                                           uint32_t padding) {
  const auto rowBytes = formatRowBytes(format, width);
  if (!rowBytes || width == 0 || height == 0) return std::nullopt;
  const auto pitch = checkedAdd(*rowBytes, padding);
  if (!pitch || *pitch > 0x7FFFFFFF) return std::nullopt;
  const auto total = checkedMul(*pitch, formatRowCount(format, height));
  if (!total || *total > kMaxResourceBytes) return std::nullopt;
  PixelStore s;
  s.format = format;
  s.width = width;
  s.height = height;
  s.pitch = uint32_t(*pitch);
  s.bytes.assign(*total, 0);
  return s;
}

IDirect3DResource9::IDirect3DResource9(std::shared_ptr<DeviceLink> link, D3DPOOL pool,
                                       DWORD usage, bool counted)
    : link_(std::move(link)), pool_(pool), usage_(usage),
      counted_(counted && pool == D3DPOOL_DEFAULT) {
  if (counted_ && link_) ++link_->liveDefaultPool;
}

IDirect3DResource9::~IDirect3DResource9() {
  if (counted_ && link_) --link_->liveDefaultPool;
}

DWORD IDirect3DResource9::SetPriority(DWORD priority) {
  if (pool_ != D3DPOOL_MANAGED) return 0;
  const DWORD old = priority_;
  priority_ = priority;
  return old;
}

}  // namespace d3d9
