#include "render/device/L3DWindow.h"

void l3dGetClientSize(const L3DWindow* host, d3d9::HWND window, uint32_t& width,
                      uint32_t& height) {
  width = 1;
  height = 1;
  if (host != nullptr) host->GetClientSize(window, width, height);
  if (width < 1) width = 1;
  if (height < 1) height = 1;
}
