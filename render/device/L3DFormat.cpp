#include "render/device/L3DFormat.h"

#include "render/device/l3dInit.h"

#include <cstring>

using namespace d3d9;

namespace {

// A display format with an alpha variant has two rows, the alpha back buffer first.
const L3D_FORMAT_INFO kFormats[] = {
    {D3DFMT_R5G6B5, 16, 0, 0, true, D3DFMT_R5G6B5, "R5G6B5"},
    {D3DFMT_X1R5G5B5, 16, 0, 0, true, D3DFMT_A1R5G5B5, "X1R5G5B5"},
    {D3DFMT_X1R5G5B5, 16, 0, 0, true, D3DFMT_X1R5G5B5, "X1R5G5B5"},
    {D3DFMT_A1R5G5B5, 16, 0, 0, false, D3DFMT_UNKNOWN, "A1R5G5B5"},
    {D3DFMT_X4R4G4B4, 16, 0, 0, true, D3DFMT_A4R4G4B4, "X4R4G4B4"},
    {D3DFMT_X4R4G4B4, 16, 0, 0, true, D3DFMT_X4R4G4B4, "X4R4G4B4"},
    {D3DFMT_A4R4G4B4, 16, 0, 0, false, D3DFMT_UNKNOWN, "A4R4G4B4"},
    {D3DFMT_X8R8G8B8, 32, 0, 0, true, D3DFMT_A8R8G8B8, "X8R8G8B8"},
    {D3DFMT_X8R8G8B8, 32, 0, 0, true, D3DFMT_X8R8G8B8, "X8R8G8B8"},
    {D3DFMT_A8R8G8B8, 32, 0, 0, false, D3DFMT_UNKNOWN, "A8R8G8B8"},
    {D3DFMT_X8B8G8R8, 32, 0, 0, true, D3DFMT_A8B8G8R8, "X8B8G8R8"},
    {D3DFMT_X8B8G8R8, 32, 0, 0, true, D3DFMT_X8B8G8R8, "X8B8G8R8"},
    {D3DFMT_A8B8G8R8, 32, 0, 0, false, D3DFMT_UNKNOWN, "A8B8G8R8"},
    {D3DFMT_R8G8B8, 24, 0, 0, true, D3DFMT_R8G8B8, "R8G8B8"},
    {D3DFMT_DXT1, 0, 0, 0, false, D3DFMT_UNKNOWN, "DXT1"},
    {D3DFMT_DXT3, 0, 0, 0, false, D3DFMT_UNKNOWN, "DXT3"},
    {D3DFMT_D15S1, 0, 15, 1, false, D3DFMT_UNKNOWN, "D15S1"},
    {D3DFMT_D16, 0, 16, 0, false, D3DFMT_UNKNOWN, "D16"},
    {D3DFMT_D24X8, 0, 24, 0, false, D3DFMT_UNKNOWN, "D24X8"},
    {D3DFMT_D24X4S4, 0, 24, 4, false, D3DFMT_UNKNOWN, "D24X4S4"},
    {D3DFMT_D24S8, 0, 24, 8, false, D3DFMT_UNKNOWN, "D24S8"},
    {D3DFMT_D32, 0, 32, 0, false, D3DFMT_UNKNOWN, "D32"},
    {D3DFMT_UNKNOWN, 0, 0, 0, false, D3DFMT_UNKNOWN, ""},
};

// The adapter's ordinal and the Direct3D object, or false for an index outside the list.
bool adapterOrdinal(uint32_t adapter, IDirect3D9*& d3d, UINT& ordinal) {
  const L3D_ADAPTER_LIST& list = l3dGetAdapterList();
  d3d = l3dGetDirect3D();
  if (d3d == nullptr || adapter >= list.count) return false;
  ordinal = list.adapters[adapter].caps.AdapterOrdinal;
  return true;
}

}  // namespace

const L3D_FORMAT_INFO* l3dFormatTable() { return kFormats; }

bool l3dHasFormatBits(uint32_t bits, D3DFORMAT format) {
  for (const L3D_FORMAT_INFO* row = kFormats; row->name[0] != '\0'; ++row) {
    if (row->format == format && row->colorBits == bits) return true;
  }
  return false;
}

bool l3dCanUseDesktopWindowed(uint32_t adapter) {
  IDirect3D9* d3d = nullptr;
  UINT ordinal = 0;
  if (!adapterOrdinal(adapter, d3d, ordinal)) return false;
  D3DDISPLAYMODE mode{};
  if (FAILED(d3d->GetAdapterDisplayMode(ordinal, &mode))) return false;
  return SUCCEEDED(d3d->CheckDeviceType(ordinal, D3DDEVTYPE_HAL, mode.Format, mode.Format, TRUE));
}

bool l3dFindDisplayMode(uint32_t adapter, uint32_t bits, uint32_t width, uint32_t height,
                        L3DDisplayFormats& out) {
  IDirect3D9* d3d = nullptr;
  UINT ordinal = 0;
  if (!adapterOrdinal(adapter, d3d, ordinal)) return false;
  if (bits == 0) {
    if (!l3dCanUseDesktopWindowed(adapter)) return false;
    D3DDISPLAYMODE desktop{};
    if (FAILED(d3d->GetAdapterDisplayMode(ordinal, &desktop))) return false;
    for (const L3D_FORMAT_INFO* row = kFormats; row->name[0] != '\0'; ++row) {
      if (!row->display || row->format != desktop.Format) continue;
      if (SUCCEEDED(d3d->CheckDeviceType(ordinal, D3DDEVTYPE_HAL, row->format, row->back, TRUE))) {
        out = {row->format, row->back};
        return true;
      }
    }
    return false;
  }
  for (const L3D_FORMAT_INFO* row = kFormats; row->name[0] != '\0'; ++row) {
    if (!row->display || row->colorBits != bits) continue;
    const UINT modes = d3d->GetAdapterModeCount(ordinal, row->format);
    for (UINT i = 0; i < modes; ++i) {
      D3DDISPLAYMODE mode{};
      if (FAILED(d3d->EnumAdapterModes(ordinal, row->format, i, &mode))) continue;
      if (mode.Width != width || mode.Height != height) continue;
      if (SUCCEEDED(
              d3d->CheckDeviceType(ordinal, D3DDEVTYPE_HAL, row->format, row->back, FALSE))) {
        out = {row->format, row->back};
        return true;
      }
    }
  }
  return false;
}

bool l3dFindWindowBackFormat(uint32_t adapter, D3DFORMAT display, D3DFORMAT& back) {
  IDirect3D9* d3d = nullptr;
  UINT ordinal = 0;
  if (!adapterOrdinal(adapter, d3d, ordinal)) return false;
  for (const L3D_FORMAT_INFO* row = kFormats; row->name[0] != '\0'; ++row) {
    if (!row->display || row->format != display) continue;
    if (SUCCEEDED(d3d->CheckDeviceType(ordinal, D3DDEVTYPE_HAL, display, row->back, TRUE))) {
      back = row->back;
      return true;
    }
  }
  return false;
}

bool l3dCanUseCompressedTextures(uint32_t adapter, uint32_t bits, uint32_t width,
                                 uint32_t height) {
  L3DDisplayFormats mode;
  if (!l3dFindDisplayMode(adapter, bits, width, height, mode)) return false;
  IDirect3D9* d3d = nullptr;
  UINT ordinal = 0;
  adapterOrdinal(adapter, d3d, ordinal);
  for (D3DFORMAT f : {D3DFMT_DXT1, D3DFMT_DXT3}) {
    if (FAILED(d3d->CheckDeviceFormat(ordinal, D3DDEVTYPE_HAL, mode.display, 0, D3DRTYPE_TEXTURE,
                                      f))) {
      return false;
    }
  }
  return true;
}

bool l3dFindDepthFormat(uint32_t adapter, uint32_t bits, uint32_t width, uint32_t height,
                        D3DFORMAT& depth) {
  L3DDisplayFormats mode;
  if (!l3dFindDisplayMode(adapter, bits, width, height, mode)) return false;
  IDirect3D9* d3d = nullptr;
  UINT ordinal = 0;
  adapterOrdinal(adapter, d3d, ordinal);
  // 15- and 16-bit depth buffers are never used: the renderer's depth ranges need 24 bits.
  for (const L3D_FORMAT_INFO* row = kFormats; row->name[0] != '\0'; ++row) {
    if (row->depthBits < 24) continue;
    if (FAILED(d3d->CheckDeviceFormat(ordinal, D3DDEVTYPE_HAL, mode.display,
                                      D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, row->format))) {
      continue;
    }
    if (FAILED(d3d->CheckDepthStencilMatch(ordinal, D3DDEVTYPE_HAL, mode.display, mode.back,
                                           row->format))) {
      continue;
    }
    depth = row->format;
    return true;
  }
  return false;
}

const char* l3dGetFormatName(D3DFORMAT format) {
  for (const L3D_FORMAT_INFO* row = kFormats; row->name[0] != '\0'; ++row) {
    if (row->format == format) return row->name;
  }
  return "unknown";
}

bool l3dFormatKind(D3DFORMAT format, uint32_t& kind) {
  switch (format) {
    case D3DFMT_R8G8B8: kind = 3; return true;
    case D3DFMT_X8R8G8B8: case D3DFMT_A8R8G8B8: kind = 2; return true;
    case D3DFMT_X8B8G8R8: case D3DFMT_A8B8G8R8: kind = 0; return true;
    case D3DFMT_R5G6B5: kind = 6; return true;
    case D3DFMT_X1R5G5B5: case D3DFMT_A1R5G5B5: kind = 4; return true;
    case D3DFMT_X4R4G4B4: case D3DFMT_A4R4G4B4: kind = 5; return true;
    default: return false;
  }
}
