#include "render/device/l3dInit.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"

using namespace d3d9;

namespace {

IDirect3D9* gDirect3D = nullptr;
L3D_ADAPTER_LIST gAdapters;

constexpr DWORD kRequiredDevCaps = D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_HWRASTERIZATION;
constexpr DWORD kRequiredMiscCaps =
    D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;

bool usable(const D3DCAPS9& caps) {
  return (caps.DevCaps & kRequiredDevCaps) == kRequiredDevCaps &&
         (caps.PrimitiveMiscCaps & kRequiredMiscCaps) == kRequiredMiscCaps &&
         caps.MaxTextureWidth >= 1024 && caps.MaxTextureHeight >= 1024 &&
         caps.MaxSimultaneousTextures >= 1;
}

}  // namespace

void l3dInit(IDirect3D9* direct3d) {
  // The new reference is taken before the old one goes: the object may be the same.
  if (direct3d != nullptr) {
    direct3d->AddRef();
  } else {
    direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  }
  safeRelease(gDirect3D);
  gDirect3D = direct3d;
  l3dReleaseAdapterList();
  if (gDirect3D == nullptr) {
    lerrFatal("%s", lerrText(u"[l3dInit] Direct3Dを使用できません").c_str());
  }
  const UINT ordinals = gDirect3D->GetAdapterCount();
  gAdapters.adapters.Create(ordinals);
  uint32_t count = 0;
  for (UINT i = 0; i < ordinals; ++i) {
    // A rejected adapter's slot is reused by the next ordinal, so the list stays packed.
    L3D_ADAPTER& record = gAdapters.adapters[count];
    if (FAILED(gDirect3D->GetDeviceCaps(i, D3DDEVTYPE_HAL, &record.caps))) continue;
    if (!usable(record.caps)) continue;
    if (FAILED(gDirect3D->GetAdapterIdentifier(i, 0, &record.identifier))) continue;
    ++count;
  }
  gAdapters.count = count;
  if (count == 0) {
    lerrFatal("%s", lerrText(u"[l3dInit] 利用可能なDirect3D対応デバイスがありません").c_str());
  }
}

void l3dReleaseAdapterList() {
  gAdapters.adapters.Reset();
  gAdapters.count = 0;
}

void l3dTerm() {
  l3dReleaseAdapterList();
  safeRelease(gDirect3D);
}

IDirect3D9* l3dGetDirect3D() { return gDirect3D; }

const L3D_ADAPTER_LIST& l3dGetAdapterList() { return gAdapters; }
