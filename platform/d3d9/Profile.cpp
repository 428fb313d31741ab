#include "platform/d3d9/Profile.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace d3d9 {
namespace {

constexpr DWORD kTextureUsage = 0;
constexpr DWORD kRenderTextureUsage = D3DUSAGE_RENDERTARGET;

void copyText(char* dst, size_t size, const char* text) {
  std::strncpy(dst, text, size - 1);
  dst[size - 1] = 0;
}

AdapterProfile capableAdapter(uint32_t ordinal) {
  AdapterProfile a;
  copyText(a.identifier.Driver, sizeof a.identifier.Driver, "swraster.drv");
  copyText(a.identifier.Description, sizeof a.identifier.Description, "Software Raster Adapter");
  copyText(a.identifier.DeviceName, sizeof a.identifier.DeviceName, "\\\\.\\DISPLAY1");
  a.identifier.DriverVersion = int64_t(0x0006000E000A1234);
  a.identifier.VendorId = 0x1AF4;
  a.identifier.DeviceId = 0x0009;
  a.identifier.DeviceIdentifier = {0x5A3D9001, 0x1234, 0x4321, {1, 2, 3, 4, 5, 6, 7, 8}};
  a.identifier.WHQLLevel = 1;

  D3DCAPS9& c = a.caps;
  c.DeviceType = D3DDEVTYPE_HAL;
  c.AdapterOrdinal = ordinal;
  c.Caps = D3DCAPS_READ_SCANLINE;
  c.PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
  c.DevCaps = D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_HWRASTERIZATION |
              D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                        D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                        D3DPMISCCAPS_SEPARATEALPHABLEND;
  c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
  c.MaxTextureWidth = 4096;
  c.MaxTextureHeight = 4096;
  c.MaxTextureAspectRatio = 4096;
  c.MaxTextureBlendStages = 8;
  c.MaxSimultaneousTextures = 8;
  c.MaxStreams = 1;
  c.MaxStreamStride = 256;
  c.MaxPrimitiveCount = 0xFFFFF;
  c.MaxVertexIndex = 0xFFFFFF;
  c.VertexShaderVersion = D3DVS_VERSION(2, 0);
  c.MaxVertexShaderConst = 256;
  c.PixelShaderVersion = D3DPS_VERSION(2, 0);
  c.NumSimultaneousRTs = 1;

  a.desktop = {1280, 1024, 60, D3DFMT_X8R8G8B8};
  const uint32_t sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}};
  for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
    for (const auto& s : sizes) a.modes.push_back({s[0], s[1], 60, f});
    a.modes.push_back({1024, 768, 75, f});
  }
  a.fullscreenPairs = {{D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8},
                       {D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8},
                       {D3DFMT_R5G6B5, D3DFMT_R5G6B5}};
  a.windowedPairs = a.fullscreenPairs;
  a.formats = {
      {D3DFMT_A8R8G8B8, D3DRTYPE_TEXTURE, kRenderTextureUsage},
      {D3DFMT_X8R8G8B8, D3DRTYPE_TEXTURE, kRenderTextureUsage},
      {D3DFMT_R5G6B5, D3DRTYPE_TEXTURE, kTextureUsage},
      {D3DFMT_X1R5G5B5, D3DRTYPE_TEXTURE, kTextureUsage},
      {D3DFMT_A1R5G5B5, D3DRTYPE_TEXTURE, kTextureUsage},
      {D3DFMT_A4R4G4B4, D3DRTYPE_TEXTURE, kTextureUsage},
      {D3DFMT_DXT1, D3DRTYPE_TEXTURE, kTextureUsage},
      {D3DFMT_DXT3, D3DRTYPE_TEXTURE, kTextureUsage},
      {D3DFMT_A8R8G8B8, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET},
      {D3DFMT_X8R8G8B8, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET},
      {D3DFMT_R5G6B5, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET},
      {D3DFMT_D16, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL},
      {D3DFMT_D24X8, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL},
      {D3DFMT_D24S8, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL},
  };
  return a;
}

void removeFormat(AdapterProfile& a, D3DFORMAT f) {
  std::erase_if(a.formats, [f](const FormatSupport& s) { return s.format == f; });
}

SystemProfile makeProfile(std::string_view name) {
  SystemProfile p;
  p.name = std::string(name);
  p.adapters.push_back(capableAdapter(0));
  AdapterProfile& a = p.adapters[0];
  if (name == "default") return p;
  if (name == "desktop16") {
    a.desktop.Format = D3DFMT_R5G6B5;
  } else if (name == "pow2") {
    a.caps.TextureCaps |= D3DPTEXTURECAPS_POW2;
  } else if (name == "pow2square") {
    a.caps.TextureCaps |= D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY;
  } else if (name == "novs") {
    a.caps.VertexShaderVersion = 0;
    a.caps.DevCaps &= ~D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    a.refuseMixedVertexProcessing = true;
  } else if (name == "ps11") {
    a.caps.VertexShaderVersion = D3DVS_VERSION(1, 1);
    a.caps.PixelShaderVersion = D3DPS_VERSION(1, 1);
  } else if (name == "msaa") {
    a.maxSamples = 4;
    a.sampleQualityLevels = 2;
  } else if (name == "twoadapters") {
    // The first adapter lacks the texture size the runtime requires, so only the second is
    // usable and list indices no longer equal ordinals.
    a.caps.MaxTextureWidth = 512;
    a.caps.MaxTextureHeight = 512;
    copyText(a.identifier.Description, sizeof a.identifier.Description, "Small Raster Adapter");
    a.identifier.DeviceIdentifier.Data1 = 0x5A3D9000;
    p.adapters.push_back(capableAdapter(1));
    copyText(p.adapters[1].identifier.DeviceName, 32, "\\\\.\\DISPLAY2");
  } else if (name == "twin") {
    p.adapters.push_back(capableAdapter(1));
    copyText(p.adapters[1].identifier.DeviceName, 32, "\\\\.\\DISPLAY2");
  } else if (name == "nodxt") {
    removeFormat(a, D3DFMT_DXT1);
    removeFormat(a, D3DFMT_DXT3);
  } else if (name == "noraster") {
    a.nullRaster = true;
  } else if (name == "none") {
    p.direct3dAvailable = false;
    p.adapters.clear();
  } else {
    p.name.clear();
  }
  return p;
}

std::mutex gSelectionMutex;
std::optional<std::string> gSelected;

}  // namespace

std::vector<std::string> profileNames() {
  return {"default", "desktop16", "pow2", "pow2square", "novs", "ps11",
          "msaa",    "twoadapters", "twin", "nodxt", "noraster", "none"};
}

std::optional<SystemProfile> profileBySpec(std::string_view spec) {
  const size_t comma = spec.find(',');
  SystemProfile p = makeProfile(spec.substr(0, comma));
  if (p.name.empty()) return std::nullopt;
  std::string_view rest = comma == std::string_view::npos ? "" : spec.substr(comma + 1);
  while (!rest.empty()) {
    const size_t next = rest.find(',');
    const std::string_view option = rest.substr(0, next);
    rest = next == std::string_view::npos ? "" : rest.substr(next + 1);
    if (option.substr(0, 4) != "pad=" || option.size() == 4 || option.size() > 8) {
      return std::nullopt;
    }
    uint32_t pad = 0;
    for (char ch : option.substr(4)) {
      if (ch < '0' || ch > '9') return std::nullopt;
      pad = pad * 10 + uint32_t(ch - '0');
    }
    if (pad > 4096) return std::nullopt;
    p.pitchPadding = (pad + 3) / 4 * 4;  // rows stay aligned to whole 32-bit words
  }
  return p;
}

bool selectProfile(std::string_view spec) {
  std::lock_guard<std::mutex> guard(gSelectionMutex);
  if (spec.empty()) {
    gSelected.reset();
    return true;
  }
  if (!profileBySpec(spec)) return false;
  gSelected = std::string(spec);
  return true;
}

std::optional<SystemProfile> currentProfile() {
  std::string spec = "default";
  {
    std::lock_guard<std::mutex> guard(gSelectionMutex);
    if (gSelected) {
      spec = *gSelected;
    } else if (const char* env = std::getenv("D3D9_PROFILE"); env && *env) {
      spec = env;
    }
  }
  return profileBySpec(spec);
}

}  // namespace d3d9
