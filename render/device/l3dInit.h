#pragma once

// Process-wide set-up of the 3D library: the Direct3D object and the list of adapters that can
// run the renderer. The host calls l3dInit once at start-up and l3dTerm at shut-down, after
// its device is gone.

#include "foundation/dbtl/rcptr.h"
#include "platform/d3d9/Direct3D9.h"

#include <cstdint>

struct L3D_ADAPTER {
  d3d9::D3DCAPS9 caps;
  d3d9::D3DADAPTER_IDENTIFIER9 identifier;
};

// Only the usable adapters, packed from index 0 in ordinal order: a list index is not an
// ordinal (the ordinal is caps.AdapterOrdinal). The array may be longer than count.
struct L3D_ADAPTER_LIST {
  uint32_t count = 0;
  dbtl::rcptr<L3D_ADAPTER> adapters;
};

// With a null object, Direct3DCreate9 makes one. Failures are fatal.
void l3dInit(d3d9::IDirect3D9* direct3d);
void l3dTerm();
void l3dReleaseAdapterList();

// Null before l3dInit and after l3dTerm.
d3d9::IDirect3D9* l3dGetDirect3D();
const L3D_ADAPTER_LIST& l3dGetAdapterList();
