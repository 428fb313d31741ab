#pragma once

// The device the tools, benchmarks and tests draw on: windowed, with an X8R8G8B8 back buffer
// and, when asked, a D24X8 depth buffer, on a given profile.

#include "platform/d3d9/Device.h"

namespace d3d9 {

D3DPRESENT_PARAMETERS windowedParameters(UINT width, UINT height, bool depth = true);

// Null when the profile has no Direct3D or refuses the device.
IDirect3DDevice9* createWindowedDevice(const SystemProfile& profile, UINT width, UINT height,
                                       DWORD behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING);

}  // namespace d3d9
