// Prints what a device profile reports: adapters, capabilities, display modes and the answers
// to the format questions the runtime's set-up asks. For people who tune profiles.
//
//   d3dprofile            the profile D3D9_PROFILE (or the default) selects
//   d3dprofile NAME       a built-in profile, "NAME" or "NAME,pad=N"
//   d3dprofile --list     the names of the built-in profiles

#include "platform/d3d9/Direct3D9.h"
#include "platform/d3d9/Format.h"

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

using namespace d3d9;

const char* yesNo(HRESULT hr) { return SUCCEEDED(hr) ? "yes" : "no"; }

const char* name(D3DFORMAT f) {
  const FormatInfo* info = formatInfo(f);
  return info ? info->name : "unknown";
}

void printAdapter(const IDirect3D9& d3d, UINT i) {
  D3DADAPTER_IDENTIFIER9 id{};
  D3DCAPS9 caps{};
  D3DDISPLAYMODE desk{};
  d3d.GetAdapterIdentifier(i, 0, &id);
  d3d.GetDeviceCaps(i, D3DDEVTYPE_HAL, &caps);
  d3d.GetAdapterDisplayMode(i, &desk);
  const auto v = uint64_t(id.DriverVersion);
  std::printf("adapter %u: %s (%s v%u.%u.%u.%u)\n", i, id.Description, id.Driver,
              unsigned(v >> 48), unsigned(v >> 32 & 0xFFFF), unsigned(v >> 16 & 0xFFFF),
              unsigned(v & 0xFFFF));
  std::printf("  identifier %08x_%04x_%04x, device name %s\n", id.DeviceIdentifier.Data1,
              id.DeviceIdentifier.Data2, id.DeviceIdentifier.Data3, id.DeviceName);
  std::printf("  desktop %ux%u %u Hz %s\n", desk.Width, desk.Height, desk.RefreshRate,
              name(desk.Format));
  std::printf("  caps %08x devcaps %08x misc %08x texture %08x max texture %ux%u\n", caps.Caps,
              caps.DevCaps, caps.PrimitiveMiscCaps, caps.TextureCaps, caps.MaxTextureWidth,
              caps.MaxTextureHeight);
  std::printf("  vertex shader %u.%u (%u constants), pixel shader %u.%u\n",
              unsigned(caps.VertexShaderVersion >> 8 & 0xFF),
              unsigned(caps.VertexShaderVersion & 0xFF), caps.MaxVertexShaderConst,
              unsigned(caps.PixelShaderVersion >> 8 & 0xFF),
              unsigned(caps.PixelShaderVersion & 0xFF));
  for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A2R10G10B10}) {
    const UINT n = d3d.GetAdapterModeCount(i, f);
    if (n == 0) continue;
    std::printf("  modes %s:", name(f));
    for (UINT m = 0; m < n; ++m) {
      D3DDISPLAYMODE mode{};
      d3d.EnumAdapterModes(i, f, m, &mode);
      std::printf(" %ux%u@%u", mode.Width, mode.Height, mode.RefreshRate);
    }
    std::printf("\n");
  }
  std::printf("  windowed back buffer %s: %s\n", name(desk.Format),
              yesNo(d3d.CheckDeviceType(i, D3DDEVTYPE_HAL, desk.Format, desk.Format, TRUE)));
  std::printf("  textures:");
  for (D3DFORMAT f : {D3DFMT_R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_X8B8G8R8,
                      D3DFMT_A8B8G8R8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
                      D3DFMT_X4R4G4B4, D3DFMT_A4R4G4B4, D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
    if (SUCCEEDED(d3d.CheckDeviceFormat(i, D3DDEVTYPE_HAL, desk.Format, 0, D3DRTYPE_TEXTURE, f))) {
      std::printf(" %s", name(f));
    }
  }
  std::printf("\n  render-target textures:");
  for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_A8B8G8R8, D3DFMT_X8R8G8B8}) {
    if (SUCCEEDED(d3d.CheckDeviceFormat(i, D3DDEVTYPE_HAL, desk.Format, D3DUSAGE_RENDERTARGET,
                                        D3DRTYPE_TEXTURE, f))) {
      std::printf(" %s", name(f));
    }
  }
  std::printf("\n  depth-stencil:");
  for (D3DFORMAT f : {D3DFMT_D16, D3DFMT_D15S1, D3DFMT_D24X8, D3DFMT_D24X4S4, D3DFMT_D24S8,
                      D3DFMT_D32}) {
    if (SUCCEEDED(d3d.CheckDepthStencilMatch(i, D3DDEVTYPE_HAL, desk.Format, desk.Format, f))) {
      std::printf(" %s", name(f));
    }
  }
  std::printf("\n  multisample:");
  for (UINT s = 2; s <= 16; ++s) {
    DWORD q = 0;
    if (SUCCEEDED(d3d.CheckDeviceMultiSampleType(i, D3DDEVTYPE_HAL, desk.Format, TRUE,
                                                 D3DMULTISAMPLE_TYPE(s), &q))) {
      std::printf(" %u(%u)", s, q);
    }
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--list") == 0) {
    for (const auto& n : profileNames()) std::printf("%s\n", n.c_str());
    return 0;
  }
  const std::optional<SystemProfile> profile =
      argc > 1 ? profileBySpec(argv[1]) : currentProfile();
  if (!profile) {
    std::fprintf(stderr, "d3dprofile: unknown profile (try --list)\n");
    return 2;
  }
  std::printf("profile %s, row padding %u bytes\n", profile->name.c_str(), profile->pitchPadding);
  IDirect3D9* d3d = createDirect3D(*profile);
  if (!d3d) {
    std::printf("no Direct3D on this profile\n");
    return 0;
  }
  for (UINT i = 0; i < d3d->GetAdapterCount(); ++i) printAdapter(*d3d, i);
  d3d->Release();
  return 0;
}
