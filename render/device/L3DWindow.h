#pragma once

// The one thing the device needs of the main window: its client size. The window belongs to
// the host, which installs the query when it makes the window; until then every window
// reports 1 x 1, the size a minimised window is reset with.

#include "platform/d3d9/D3d9Types.h"

#include <cstdint>
#include <functional>

using L3DClientSizeQuery = std::function<void(d3d9::HWND, uint32_t& width, uint32_t& height)>;

// An empty query restores the default.
void l3dSetClientSizeQuery(L3DClientSizeQuery query);
// The client size, each side at least 1.
void l3dGetClientSize(d3d9::HWND window, uint32_t& width, uint32_t& height);
