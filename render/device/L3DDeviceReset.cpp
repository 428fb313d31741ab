#include "render/device/L3DDevice.h"
#include "render/device/L3DFormat.h"
#include "render/device/L3DWindow.h"
#include "render/device/l3dInit.h"

using namespace d3d9;

bool L3DDevice::Reset(bool window) {
  if (m_device == nullptr) {
    m_lost = true;
    return false;
  }
  m_lost = false;
  uint32_t clientWidth = 1, clientHeight = 1;
  D3DDISPLAYMODE desktop{};
  const HRESULT level = [&] {
    if (window) {
      l3dGetClientSize(m_host, m_window, clientWidth, clientHeight);
      if (FAILED(l3dGetDirect3D()->GetAdapterDisplayMode(m_caps.AdapterOrdinal, &desktop))) {
        return D3DERR_NOTAVAILABLE;
      }
    }
    return m_device->TestCooperativeLevel();
  }();
  const bool unchanged =
      window ? m_windowed && clientWidth == m_windowParams.BackBufferWidth &&
                   clientHeight == m_windowParams.BackBufferHeight &&
                   desktop.Format == m_windowDisplayFormat
             : !m_windowed;
  if (level == D3D_OK && unchanged) return true;
  if (level != D3D_OK && level != D3DERR_DEVICENOTRESET) {
    m_lost = true;
    return false;
  }
  if (!_ResetDevice(window, clientWidth, clientHeight, desktop.Format)) {
    m_lost = true;
    return false;
  }
  return true;
}

bool L3DDevice::_ResetDevice(bool window, uint32_t clientWidth, uint32_t clientHeight,
                             D3DFORMAT desktop) {
  _UnbindAll();
  _ReleaseSurfaces();
  _LostTextures();
  bool reset = false;
  if (window && (m_flags & L3DDEV_FLAG_WINDOW)) {
    D3DPRESENT_PARAMETERS params = m_windowParams;
    params.BackBufferWidth = clientWidth;
    params.BackBufferHeight = clientHeight;
    if (l3dFindWindowBackFormat(m_adapter, desktop, params.BackBufferFormat) &&
        SUCCEEDED(m_device->Reset(&params))) {
      m_windowDisplayFormat = desktop;
      m_windowed = true;
      m_windowParams = params;
      reset = true;
    }
  } else if (m_flags & L3DDEV_FLAG_FULLSCREEN) {
    D3DPRESENT_PARAMETERS params = m_fullParams;
    if (SUCCEEDED(m_device->Reset(&params))) {
      m_windowed = false;
      reset = true;
    }
  }
  m_flags &= ~L3DDEV_FLAG_VSYNC_ACTIVE;
  if (!m_windowed && (m_flags & L3DDEV_FLAG_VSYNC)) m_flags |= L3DDEV_FLAG_VSYNC_ACTIVE;
  if (!reset) return false;
  _UnbindAll();
  if (!_ResetSurfaces()) return false;
  _ResetTextures();
  _RestoreState();
  return true;
}

bool L3DDevice::Present() {
  if (m_device == nullptr || m_lost) return false;
  return SUCCEEDED(m_device->Present(nullptr, nullptr, nullptr, nullptr));
}
