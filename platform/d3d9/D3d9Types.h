#pragma once

// Result codes, formats, pools, usages and the plain records of the device stand-in. Values are
// the ones the rendering code compares against and stores (caps bits, format numbers), so they
// keep the numbering of the interface the renderer was written for.

#include <cstdint>

namespace d3d9 {

using HRESULT = int32_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using BOOL = int32_t;
using D3DCOLOR = uint32_t;
using HWND = void*;
using HANDLE = void*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

constexpr HRESULT makeError(uint32_t code) { return static_cast<HRESULT>(code); }

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT E_FAIL = makeError(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = makeError(0x8007000Eu);
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = makeError(0x88760818u);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = makeError(0x88760819u);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLORARG = makeError(0x8876081Au);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = makeError(0x8876081Bu);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAARG = makeError(0x8876081Cu);
constexpr HRESULT D3DERR_UNSUPPORTEDFACTORVALUE = makeError(0x8876081Fu);
constexpr HRESULT D3DERR_CONFLICTINGRENDERSTATE = makeError(0x88760822u);
constexpr HRESULT D3DERR_UNSUPPORTEDTEXTUREFILTER = makeError(0x88760823u);
constexpr HRESULT D3DERR_DRIVERINTERNALERROR = makeError(0x88760827u);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = makeError(0x8876017Cu);
constexpr HRESULT D3DERR_NOTFOUND = makeError(0x88760866u);
constexpr HRESULT D3DERR_DEVICELOST = makeError(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = makeError(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = makeError(0x8876086Au);
constexpr HRESULT D3DERR_INVALIDCALL = makeError(0x8876086Cu);

constexpr UINT D3D_SDK_VERSION = 32;

constexpr uint32_t makeFourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}

enum D3DFORMAT : uint32_t {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_R8G8B8 = 20,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_R5G6B5 = 23,
  D3DFMT_X1R5G5B5 = 24,
  D3DFMT_A1R5G5B5 = 25,
  D3DFMT_A4R4G4B4 = 26,
  D3DFMT_X4R4G4B4 = 30,
  D3DFMT_A8B8G8R8 = 32,
  D3DFMT_X8B8G8R8 = 33,
  D3DFMT_A2R10G10B10 = 35,
  D3DFMT_D16_LOCKABLE = 70,
  D3DFMT_D32 = 71,
  D3DFMT_D15S1 = 73,
  D3DFMT_D24S8 = 75,
  D3DFMT_D24X8 = 77,
  D3DFMT_D24X4S4 = 79,
  D3DFMT_D16 = 80,
  D3DFMT_INDEX16 = 101,
  D3DFMT_INDEX32 = 102,
  D3DFMT_DXT1 = makeFourCC('D', 'X', 'T', '1'),
  D3DFMT_DXT3 = makeFourCC('D', 'X', 'T', '3'),
  D3DFMT_DXT5 = makeFourCC('D', 'X', 'T', '5'),
};

enum D3DPOOL : uint32_t {
  D3DPOOL_DEFAULT = 0,
  D3DPOOL_MANAGED = 1,
  D3DPOOL_SYSTEMMEM = 2,
  D3DPOOL_SCRATCH = 3,
};

enum D3DRESOURCETYPE : uint32_t {
  D3DRTYPE_SURFACE = 1,
  D3DRTYPE_VOLUME = 2,
  D3DRTYPE_TEXTURE = 3,
  D3DRTYPE_VOLUMETEXTURE = 4,
  D3DRTYPE_CUBETEXTURE = 5,
  D3DRTYPE_VERTEXBUFFER = 6,
  D3DRTYPE_INDEXBUFFER = 7,
};

enum D3DDEVTYPE : uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2, D3DDEVTYPE_SW = 3 };

enum D3DMULTISAMPLE_TYPE : uint32_t { D3DMULTISAMPLE_NONE = 0, D3DMULTISAMPLE_NONMASKABLE = 1 };

enum D3DSWAPEFFECT : uint32_t {
  D3DSWAPEFFECT_DISCARD = 1,
  D3DSWAPEFFECT_FLIP = 2,
  D3DSWAPEFFECT_COPY = 3,
};

enum D3DBACKBUFFER_TYPE : uint32_t { D3DBACKBUFFER_TYPE_MONO = 0 };

constexpr DWORD D3DUSAGE_RENDERTARGET = 0x1;
constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x2;
constexpr DWORD D3DUSAGE_WRITEONLY = 0x8;
constexpr DWORD D3DUSAGE_SOFTWAREPROCESSING = 0x10;
constexpr DWORD D3DUSAGE_DYNAMIC = 0x200;

constexpr DWORD D3DLOCK_READONLY = 0x10;
constexpr DWORD D3DLOCK_NOSYSLOCK = 0x800;
constexpr DWORD D3DLOCK_NOOVERWRITE = 0x1000;
constexpr DWORD D3DLOCK_DISCARD = 0x2000;

constexpr DWORD D3DCREATE_MULTITHREADED = 0x4;
constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
constexpr DWORD D3DCREATE_MIXED_VERTEXPROCESSING = 0x80;

constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr UINT D3DPRESENT_INTERVAL_ONE = 1;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;
constexpr DWORD D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x1;

// Capability bits the renderer reads.
constexpr DWORD D3DCAPS_READ_SCANLINE = 0x20000;
constexpr DWORD D3DDEVCAPS_DRAWPRIMTLVERTEX = 0x400;
constexpr DWORD D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x10000;
constexpr DWORD D3DDEVCAPS_HWRASTERIZATION = 0x80000;
constexpr DWORD D3DPMISCCAPS_MASKZ = 0x2;
constexpr DWORD D3DPMISCCAPS_CULLNONE = 0x10;
constexpr DWORD D3DPMISCCAPS_CULLCW = 0x20;
constexpr DWORD D3DPMISCCAPS_CULLCCW = 0x40;
constexpr DWORD D3DPMISCCAPS_COLORWRITEENABLE = 0x80;
constexpr DWORD D3DPMISCCAPS_SEPARATEALPHABLEND = 0x20000;
constexpr DWORD D3DPTEXTURECAPS_PERSPECTIVE = 0x1;
constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x2;
constexpr DWORD D3DPTEXTURECAPS_ALPHA = 0x4;
constexpr DWORD D3DPTEXTURECAPS_SQUAREONLY = 0x20;
constexpr DWORD D3DPTEXTURECAPS_NONPOW2CONDITIONAL = 0x100;
constexpr DWORD D3DPTEXTURECAPS_MIPMAP = 0x4000;

constexpr DWORD D3DVS_VERSION(DWORD major, DWORD minor) {
  return 0xFFFE0000u | major << 8 | minor;
}
constexpr DWORD D3DPS_VERSION(DWORD major, DWORD minor) {
  return 0xFFFF0000u | major << 8 | minor;
}

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};

struct RECT {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

struct D3DCAPS9 {
  D3DDEVTYPE DeviceType;
  UINT AdapterOrdinal;
  DWORD Caps;
  DWORD Caps2;
  DWORD Caps3;
  DWORD PresentationIntervals;
  DWORD DevCaps;
  DWORD PrimitiveMiscCaps;
  DWORD RasterCaps;
  DWORD ZCmpCaps;
  DWORD SrcBlendCaps;
  DWORD DestBlendCaps;
  DWORD AlphaCmpCaps;
  DWORD ShadeCaps;
  DWORD TextureCaps;
  DWORD TextureFilterCaps;
  DWORD TextureAddressCaps;
  DWORD MaxTextureWidth;
  DWORD MaxTextureHeight;
  DWORD MaxTextureAspectRatio;
  DWORD MaxTextureBlendStages;
  DWORD MaxSimultaneousTextures;
  DWORD VertexProcessingCaps;
  DWORD MaxActiveLights;
  DWORD MaxStreams;
  DWORD MaxStreamStride;
  DWORD MaxPrimitiveCount;
  DWORD MaxVertexIndex;
  DWORD VertexShaderVersion;
  DWORD MaxVertexShaderConst;
  DWORD PixelShaderVersion;
  DWORD NumSimultaneousRTs;
};

struct D3DADAPTER_IDENTIFIER9 {
  char Driver[512];
  char Description[512];
  char DeviceName[32];
  int64_t DriverVersion;
  DWORD VendorId;
  DWORD DeviceId;
  DWORD SubSysId;
  DWORD Revision;
  GUID DeviceIdentifier;
  DWORD WHQLLevel;
};

struct D3DDISPLAYMODE {
  UINT Width;
  UINT Height;
  UINT RefreshRate;
  D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
  UINT BackBufferWidth;
  UINT BackBufferHeight;
  D3DFORMAT BackBufferFormat;
  UINT BackBufferCount;
  D3DMULTISAMPLE_TYPE MultiSampleType;
  DWORD MultiSampleQuality;
  D3DSWAPEFFECT SwapEffect;
  HWND hDeviceWindow;
  BOOL Windowed;
  BOOL EnableAutoDepthStencil;
  D3DFORMAT AutoDepthStencilFormat;
  DWORD Flags;
  UINT FullScreen_RefreshRateInHz;
  UINT PresentationInterval;
};

struct D3DDEVICE_CREATION_PARAMETERS {
  UINT AdapterOrdinal;
  D3DDEVTYPE DeviceType;
  HWND hFocusWindow;
  DWORD BehaviorFlags;
};

struct D3DSURFACE_DESC {
  D3DFORMAT Format;
  D3DRESOURCETYPE Type;
  DWORD Usage;
  D3DPOOL Pool;
  D3DMULTISAMPLE_TYPE MultiSampleType;
  DWORD MultiSampleQuality;
  UINT Width;
  UINT Height;
};

struct D3DVERTEXBUFFER_DESC {
  D3DFORMAT Format;
  D3DRESOURCETYPE Type;
  DWORD Usage;
  D3DPOOL Pool;
  UINT Size;
  DWORD FVF;
};

struct D3DINDEXBUFFER_DESC {
  D3DFORMAT Format;
  D3DRESOURCETYPE Type;
  DWORD Usage;
  D3DPOOL Pool;
  UINT Size;
};

struct D3DLOCKED_RECT {
  int32_t Pitch;
  void* pBits;
};

struct D3DVIEWPORT9 {
  DWORD X;
  DWORD Y;
  DWORD Width;
  DWORD Height;
  float MinZ;
  float MaxZ;
};

struct D3DRASTER_STATUS {
  BOOL InVBlank;
  UINT ScanLine;
};

struct D3DMATRIX {
  float m[4][4];
};

}  // namespace d3d9
