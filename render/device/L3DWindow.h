#pragma once

// The one thing the device needs of the main window: its client size. The window belongs to
// the host, which hands the device this interface when it constructs it.

#include "platform/d3d9/D3d9Types.h"

#include <cstdint>

class L3DWindow {
 public:
  virtual ~L3DWindow() = default;
  // The client size of the window; sides of 0 are raised to 1 by l3dGetClientSize.
  virtual void GetClientSize(d3d9::HWND window, uint32_t& width, uint32_t& height) const = 0;
};

// The client size, each side at least 1. Without a window interface every window reports
// 1 x 1, the size a minimised window is reset with.
void l3dGetClientSize(const L3DWindow* host, d3d9::HWND window, uint32_t& width, uint32_t& height);
