#include "render/device/L3DWindow.h"

#include <utility>

namespace {

L3DClientSizeQuery& query() {
  static L3DClientSizeQuery q;
  return q;
}

}  // namespace

void l3dSetClientSizeQuery(L3DClientSizeQuery q) { query() = std::move(q); }

void l3dGetClientSize(d3d9::HWND window, uint32_t& width, uint32_t& height) {
  width = 1;
  height = 1;
  if (query()) query()(window, width, height);
  if (width < 1) width = 1;
  if (height < 1) height = 1;
}
