#include "render/device/L3DTexture.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "render/device/L3DDevice.h"

#include <algorithm>

using namespace d3d9;

L3DTexture::~L3DTexture() {
  safeRelease(texture);
  if (owner != nullptr) {
    owner->_RemoveTexture(this);
    owner = nullptr;
  }
}

void* L3DTexture::Lock(uint32_t x, uint32_t y, uint32_t w, uint32_t h, int32_t& pitch) {
  if (type != L3DTEX_TYPE_MANAGED || levels > 1 || texture == nullptr) {
    lerrFatal("%s", lerrText(u"[L3DTexture::Lock] テクスチャをロックできません").c_str());
  }
  const RECT rect{int32_t(x), int32_t(y), int32_t(x + w), int32_t(y + h)};
  D3DLOCKED_RECT locked{};
  if (FAILED(texture->LockRect(0, &locked, &rect, 0))) {
    lerrFatal("%s", lerrText(u"[L3DTexture::Lock] テクスチャのロックに失敗しました").c_str());
  }
  pitch = locked.Pitch;
  return locked.pBits;
}

void L3DTexture::CopyBackBuffer() {
  if (type != L3DTEX_TYPE_RENDER) {
    lerrFatal("%s",
              lerrText(u"[L3DTexture::CopyBackBuffer] バックバッファテクスチャではありません").c_str());
  }
  if (owner == nullptr || texture == nullptr) return;
  IDirect3DDevice9* device = owner->GetDevice();
  D3DVIEWPORT9 viewport{};
  device->GetViewport(&viewport);
  const RECT rect{0, 0, int32_t(std::min(viewport.Width, width)),
                  int32_t(std::min(viewport.Height, height))};
  IDirect3DSurface9* level = nullptr;
  if (FAILED(texture->GetSurfaceLevel(0, &level))) return;
  device->StretchRect(owner->GetRenderTarget(), &rect, level, &rect, D3DTEXF_NONE);
  level->Release();
  contentsLost = false;
}

void L3DTexture::FillColor(D3DCOLOR color) {
  if (type != L3DTEX_TYPE_RENDER) {
    lerrFatal("%s", lerrText(u"[L3DTexture::FillColor] バックバッファテクスチャではありません").c_str());
  }
  if (owner == nullptr || texture == nullptr) return;
  IDirect3DSurface9* level = nullptr;
  if (FAILED(texture->GetSurfaceLevel(0, &level))) return;
  owner->GetDevice()->ColorFill(level, nullptr, color);
  level->Release();
  contentsLost = false;
}

void L3DTexture::_Reset() {
  if (type != L3DTEX_TYPE_RENDER || owner == nullptr) return;
  safeRelease(texture);
  contentsLost = true;
  texture = owner->_CreateRenderTexture(width, height);
  if (texture == nullptr) {
    lerrFatal("%s", lerrText(u"[L3DTexture::_Reset] テクスチャが復元できませんでした。").c_str());
  }
}
