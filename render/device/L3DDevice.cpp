#include "render/device/L3DDevice.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "render/device/L3DFormat.h"
#include "render/device/L3DWindow.h"
#include "render/device/l3dInit.h"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace d3d9;

namespace {

// Index 0 none, 1 to 15 give 2 to 16 samples, anything above none.
D3DMULTISAMPLE_TYPE multisampleType(uint32_t index) {
  if (index == 0 || index >= 16) return D3DMULTISAMPLE_NONE;
  return D3DMULTISAMPLE_TYPE(index + 1);
}

// The multisample type of a block when both its back buffer and its depth format take it.
void chooseMultisample(IDirect3D9* d3d, UINT ordinal, D3DMULTISAMPLE_TYPE type, BOOL windowed,
                       D3DPRESENT_PARAMETERS& block) {
  block.MultiSampleType = D3DMULTISAMPLE_NONE;
  block.MultiSampleQuality = 0;
  if (type == D3DMULTISAMPLE_NONE) return;
  DWORD backLevels = 0;
  DWORD depthLevels = 0;
  if (FAILED(d3d->CheckDeviceMultiSampleType(ordinal, D3DDEVTYPE_HAL, block.BackBufferFormat,
                                             windowed, type, &backLevels)) ||
      FAILED(d3d->CheckDeviceMultiSampleType(ordinal, D3DDEVTYPE_HAL,
                                             block.AutoDepthStencilFormat, windowed, type,
                                             &depthLevels))) {
    return;
  }
  block.MultiSampleType = type;
  block.MultiSampleQuality = std::min(backLevels, depthLevels) - 1;
}

const char* enable(bool on) { return on ? "enable" : "disable"; }

std::string format(const char* fmt, auto... args) {
  char buffer[1024];
  std::snprintf(buffer, sizeof buffer, fmt, args...);
  return buffer;
}

}  // namespace

L3DDevice::~L3DDevice() { Release(); }

void L3DDevice::Create(uint32_t adapter, HWND window, uint32_t bits, uint32_t width,
                       uint32_t height, uint32_t multisample, uint32_t options) {
  if (m_device != nullptr) {
    lerrFatal("%s", lerrText(u"[L3DDevice::Create] すでに作成されている").c_str());
  }
  const L3D_ADAPTER_LIST& list = l3dGetAdapterList();
  IDirect3D9* d3d = l3dGetDirect3D();
  if (d3d == nullptr || adapter >= list.count) {
    lerrFatal(lerrText(u"[L3DDevice::Create] 指定されたアダプタ番号(%d)は存在しない").c_str(),
              int(adapter));
  }
  const L3D_ADAPTER& record = list.adapters[adapter];
  const UINT ordinal = record.caps.AdapterOrdinal;
  m_windowed = false;
  m_lost = false;
  m_window = window;
  m_adapter = adapter;
  m_fullParams = {};
  m_windowParams = {};
  m_flags = 0;
  m_colorDepth = 0;
  m_fullColorDepth = 0;
  m_caps = record.caps;

  m_desktopColorDepth = 0;
  D3DDISPLAYMODE desktop{};
  if (SUCCEEDED(d3d->GetAdapterDisplayMode(ordinal, &desktop))) {
    for (uint32_t depth : {16u, 24u, 32u}) {
      if (l3dHasFormatBits(depth, desktop.Format)) {
        m_desktopColorDepth = depth;
        break;
      }
    }
  }
  const D3DMULTISAMPLE_TYPE samples = multisampleType(multisample);

  if (width != 0 && height != 0) {
    m_fullParams.BackBufferWidth = width;
    m_fullParams.BackBufferHeight = height;
    uint32_t tries[4] = {bits, 0, 0, 0};
    uint32_t tryCount = 1;
    if (bits == 0) {
      // The desktop's depth first; it may be tried twice (32, 16, 32, 24), which is harmless.
      tryCount = 0;
      if (m_desktopColorDepth != 0) tries[tryCount++] = m_desktopColorDepth;
      for (uint32_t depth : {16u, 32u, 24u}) tries[tryCount++] = depth;
    }
    for (uint32_t i = 0; i < tryCount; ++i) {
      L3DDisplayFormats mode;
      if (!l3dFindDisplayMode(adapter, tries[i], width, height, mode)) continue;
      m_fullDisplayFormat = mode.display;
      m_fullParams.BackBufferFormat = mode.back;
      m_fullColorDepth = tries[i];
      m_flags |= L3DDEV_FLAG_FULLSCREEN;
      break;
    }
    if (m_flags & L3DDEV_FLAG_FULLSCREEN) {
      m_fullParams.EnableAutoDepthStencil = TRUE;
      if (!l3dFindDepthFormat(adapter, m_fullColorDepth, width, height,
                              m_fullParams.AutoDepthStencilFormat)) {
        m_flags &= ~L3DDEV_FLAG_FULLSCREEN;
      }
    }
    chooseMultisample(d3d, ordinal, samples, FALSE, m_fullParams);
    m_fullParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_fullParams.Windowed = FALSE;
    m_fullParams.FullScreen_RefreshRateInHz = 60;
    if (options & L3DDEV_CREATE_IMMEDIATE) {
      m_fullParams.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    } else {
      m_fullParams.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
      m_flags |= L3DDEV_FLAG_VSYNC;
    }
  }

  if (l3dCanUseDesktopWindowed(adapter) && m_desktopColorDepth != 0) {
    uint32_t clientWidth, clientHeight;
    l3dGetClientSize(m_host, window, clientWidth, clientHeight);
    m_windowParams.BackBufferWidth = clientWidth;
    m_windowParams.BackBufferHeight = clientHeight;
    L3DDisplayFormats mode;
    if (l3dFindDisplayMode(adapter, 0, 0, 0, mode)) {
      m_windowDisplayFormat = mode.display;
      m_windowParams.BackBufferFormat = mode.back;
      m_flags |= L3DDEV_FLAG_WINDOW;
      m_windowParams.EnableAutoDepthStencil = TRUE;
      if (!l3dFindDepthFormat(adapter, 0, 0, 0, m_windowParams.AutoDepthStencilFormat)) {
        m_flags &= ~L3DDEV_FLAG_WINDOW;
      }
    }
    chooseMultisample(d3d, ordinal, samples, TRUE, m_windowParams);
    m_windowParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_windowParams.Windowed = TRUE;
    m_windowParams.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  }

  const bool fullUsable = (m_flags & L3DDEV_FLAG_FULLSCREEN) != 0;
  const bool windowUsable = (m_flags & L3DDEV_FLAG_WINDOW) != 0;
  if (!fullUsable && !windowUsable) {
    lerrFatal(lerrText(u"[L3DDevice::Create] D3D機能が利用できませんでした(%.255s/%.255s)").c_str(),
              record.identifier.Description, record.identifier.Driver);
  }
  if (fullUsable) {
    m_colorDepth = windowUsable ? std::max(m_fullColorDepth, m_desktopColorDepth) : m_fullColorDepth;
  } else {
    m_colorDepth = m_desktopColorDepth;
  }
  if (options & L3DDEV_CREATE_COMPRESS) {
    const bool full = !fullUsable || l3dCanUseCompressedTextures(adapter, m_fullColorDepth,
                                                                  width, height);
    const bool win = !windowUsable || l3dCanUseCompressedTextures(adapter, 0, 0, 0);
    if (full && win) m_flags |= L3DDEV_FLAG_COMPRESS;
  }
  if ((options & L3DDEV_CREATE_MIPMAP) && (m_caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP)) {
    m_flags |= L3DDEV_FLAG_MIPMAP;
  }
  if (m_caps.VertexShaderVersion > 0xFFFE0100u) m_flags |= L3DDEV_FLAG_VSHADER;
  if (m_caps.PixelShaderVersion >= 0xFFFF0101u) m_flags |= L3DDEV_FLAG_PSHADER;

  const bool startWindowed =
      windowUsable && ((options & L3DDEV_CREATE_WINDOW) != 0 || !fullUsable);
  bool windowed = startWindowed;
  for (;;) {
    D3DPRESENT_PARAMETERS* params = windowed ? &m_windowParams : &m_fullParams;
    const DWORD behaviour = (m_flags & L3DDEV_FLAG_VSHADER) ? D3DCREATE_MIXED_VERTEXPROCESSING
                                                            : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    HRESULT hr = d3d->CreateDevice(ordinal, D3DDEVTYPE_HAL, window, behaviour, params, &m_device);
    if (FAILED(hr) && behaviour == D3DCREATE_MIXED_VERTEXPROCESSING) {
      hr = d3d->CreateDevice(ordinal, D3DDEVTYPE_HAL, window,
                             D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED,
                             params, &m_device);
    }
    if (SUCCEEDED(hr)) break;
    m_device = nullptr;
    if (windowed ? fullUsable : windowUsable) windowed = !windowed;
    if (windowed == startWindowed) {
      lerrFatal("%s", lerrText(u"[L3DDevice::Create] D3Dデバイスが作成できません").c_str());
    }
  }
  m_windowed = windowed;
  if (!m_windowed && (m_flags & L3DDEV_FLAG_VSYNC)) m_flags |= L3DDEV_FLAG_VSYNC_ACTIVE;

  _ResetSurfaces();
  _CreateTextureManager();
  _InitState();
  if (m_flags & L3DDEV_FLAG_VSHADER) {
    D3DDEVICE_CREATION_PARAMETERS creation{};
    if (SUCCEEDED(m_device->GetCreationParameters(&creation)) &&
        (creation.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING)) {
      m_flags &= ~L3DDEV_FLAG_VSHADER;
    }
  }
  _Report();
}

void L3DDevice::_Report() {
  const L3D_ADAPTER& record = l3dGetAdapterList().adapters[m_adapter];
  const uint64_t version = uint64_t(record.identifier.DriverVersion);
  std::string text = format("[L3DDevice::Create] Using a D3D Adapter is %.255s(%.255s v%d.%d.%d.%d).\r\n",
                            record.identifier.Description, record.identifier.Driver,
                            int(version >> 48 & 0xFFFF), int(version >> 32 & 0xFFFF),
                            int(version >> 16 & 0xFFFF), int(version & 0xFFFF));
  const char* mode =
      "\t%s:\r\n\t\tBackbuffer: %dx%dx%d(%s)\r\n\t\tDepth: %s\r\n\t\tMultisample: %d\r\n";
  if (m_flags & L3DDEV_FLAG_FULLSCREEN) {
    text += format(mode, "Fullscreen", int(m_fullParams.BackBufferWidth),
                   int(m_fullParams.BackBufferHeight), int(m_fullColorDepth),
                   l3dGetFormatName(m_fullParams.BackBufferFormat),
                   l3dGetFormatName(m_fullParams.AutoDepthStencilFormat),
                   int(m_fullParams.MultiSampleType));
  } else {
    text += "\tCan't use in fullscreen mode.\r\n";
  }
  if (m_flags & L3DDEV_FLAG_WINDOW) {
    text += format(mode, "Window", int(m_windowParams.BackBufferWidth),
                   int(m_windowParams.BackBufferHeight), int(m_desktopColorDepth),
                   l3dGetFormatName(m_windowParams.BackBufferFormat),
                   l3dGetFormatName(m_windowParams.AutoDepthStencilFormat),
                   int(m_windowParams.MultiSampleType));
  } else {
    text += "\tCan't use in window mode.\r\n";
  }
  text += format(
      "\tStencil: %s\r\n\tTexture Compress: %s\r\n\tVertex Shader: %s\r\n\tVertex Shader Const: "
      "%d\r\n\tVertex Shader Matrix: %d\r\n\tPixel Shader: %s\r\n\tTexture mipmap: %s\r\n",
      enable(false), enable(m_flags & L3DDEV_FLAG_COMPRESS), enable(m_flags & L3DDEV_FLAG_VSHADER),
      int(m_caps.MaxVertexShaderConst), 256, enable(m_flags & L3DDEV_FLAG_PSHADER),
      enable(m_flags & L3DDEV_FLAG_MIPMAP));
  lerrLog(0, "%s", text.c_str());
}

void L3DDevice::Release() {
  if (m_device == nullptr) return;
  _ReleasePShaders();
  _ReleaseVShaders();
  _ReleaseIBuffers();
  _ReleaseVBuffers();
  _ReleaseTextures();
  _ReleaseSurfaces();
  m_depthSurfaces.Release();
  safeRelease(m_device);
}
