#include "foundation/dbtl/Dstr.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "image/DImageHolder.h"
#include "image/resample/DimgResample.h"
#include "image/resample/DimgResampleMip.h"
#include "render/device/L3DDevice.h"
#include "render/device/L3DFormat.h"
#include "render/device/l3dInit.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <vector>

using namespace d3d9;

namespace {

uint32_t nextPowerOfTwo(uint32_t v) {
  uint32_t p = 1;
  while (p < v && p < 0x80000000u) p <<= 1;
  return p < v ? v : p;
}

// A locked texture level seen as an image of the texture's kind.
struct LockedLevel {
  IDirect3DSurface9* surface = nullptr;
  dbtl::DImageHolder image;
  uint32_t width = 0;
  uint32_t height = 0;
  bool locked = false;

  bool Lock(IDirect3DTexture9* texture, uint32_t level, uint32_t kind) {
    if (FAILED(texture->GetSurfaceLevel(level, &surface))) return false;
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT rect{};
    if (FAILED(surface->GetDesc(&desc)) || FAILED(surface->LockRect(&rect, nullptr, 0))) return false;
    locked = true;
    width = desc.Width;
    height = desc.Height;
    return image.Attach(dbtl::rcptr<uint8_t>::Borrow(static_cast<uint8_t*>(rect.pBits)), width,
                        height, uint32_t(rect.Pitch), kind);
  }
  ~LockedLevel() {
    if (locked) surface->UnlockRect();
    safeRelease(surface);
  }
};

}  // namespace

void L3DDevice::_CreateTextureManager() {
  IDirect3D9* d3d = l3dGetDirect3D();
  const UINT ordinal = m_caps.AdapterOrdinal;
  const D3DFORMAT adapterFormat = m_windowed ? m_windowDisplayFormat : m_fullDisplayFormat;
  auto accepted = [&](DWORD usage, D3DFORMAT format) {
    return SUCCEEDED(d3d->CheckDeviceFormat(ordinal, D3DDEVTYPE_HAL, adapterFormat, usage,
                                            D3DRTYPE_TEXTURE, format));
  };
  const bool deep = m_colorDepth > 16;
  static const D3DFORMAT kDeepColor[] = {D3DFMT_R8G8B8,   D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8,
                                         D3DFMT_X8B8G8R8, D3DFMT_A8B8G8R8, D3DFMT_R5G6B5,
                                         D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_X4R4G4B4,
                                         D3DFMT_A4R4G4B4};
  static const D3DFORMAT kShallowColor[] = {D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
                                            D3DFMT_X4R4G4B4, D3DFMT_A4R4G4B4, D3DFMT_R8G8B8,
                                            D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_X8B8G8R8,
                                            D3DFMT_A8B8G8R8};
  static const D3DFORMAT kDeepAlpha[] = {D3DFMT_A8R8G8B8, D3DFMT_A8B8G8R8, D3DFMT_A4R4G4B4};
  static const D3DFORMAT kShallowAlpha[] = {D3DFMT_A4R4G4B4, D3DFMT_A8R8G8B8, D3DFMT_A8B8G8R8};

  // The first candidate the adapter takes, or D3DFMT_UNKNOWN.
  auto first = [&](DWORD usage, std::span<const D3DFORMAT> candidates) {
    for (D3DFORMAT f : candidates) {
      if (accepted(usage, f)) return f;
    }
    return D3DFMT_UNKNOWN;
  };
  m_colorFormat = first(0, deep ? std::span(kDeepColor) : std::span(kShallowColor));
  if (!l3dFormatKind(m_colorFormat, m_colorKind)) {
    lerrFatal("%s", lerrText(u"[L3DDevice::_CreateTexture] カラーテクスチャフォーマットが見つかりません").c_str());
  }
  m_alphaFormat = first(0, deep ? std::span(kDeepAlpha) : std::span(kShallowAlpha));
  if (!l3dFormatKind(m_alphaFormat, m_alphaKind)) {
    lerrFatal("%s", lerrText(u"[L3DDevice::_CreateTexture] アルファテクスチャフォーマットが見つかりません").c_str());
  }
  static const D3DFORMAT kRender[] = {D3DFMT_A8R8G8B8, D3DFMT_A8B8G8R8};
  m_renderFormat = first(D3DUSAGE_RENDERTARGET, kRender);
  char text[256];
  std::snprintf(text, sizeof text,
                "[L3DDevice::_CreateTextureManager]\r\n\tColor texture format: %s\r\n\tAlpha "
                "texture format: %s\r\n\tRender texture format: %s\r\n",
                l3dGetFormatName(m_colorFormat), l3dGetFormatName(m_alphaFormat),
                l3dGetFormatName(m_renderFormat));
  lerrLog(0, "%s", text);
}

void L3DDevice::_AdjustTextureSize(uint32_t width, uint32_t height, uint32_t& outWidth,
                                   uint32_t& outHeight) const {
  const DWORD caps = m_caps.TextureCaps;
  if (caps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_NONPOW2CONDITIONAL)) {
    width = nextPowerOfTwo(width);
    height = nextPowerOfTwo(height);
  }
  const bool square = (caps & D3DPTEXTURECAPS_SQUAREONLY) != 0;
  if (square) width = height = std::max(width, height);
  width = std::min<uint32_t>(width, m_caps.MaxTextureWidth);
  height = std::min<uint32_t>(height, m_caps.MaxTextureHeight);
  if (square) width = height = std::min(width, height);
  outWidth = width;
  outHeight = height;
}

dbtl::rcptr<L3DTexture> L3DDevice::FindTexture(const char* name) {
  if (name == nullptr || name[0] == '\0') return {};
  for (auto it = m_textures.Begin(); it != m_textures.End(); it = dbtl::DListBase::Next(it)) {
    const dbtl::rcptr_holder& holder = *static_cast<dbtl::rcptr_holder*>(it->elementObject);
    const auto* texture = static_cast<const L3DTexture*>(holder.object);
    if (texture->name[0] != '\0' && dbtl::DstrCompareNoCase(texture->name, name) == 0) {
      return holder.Get<L3DTexture>();
    }
  }
  return {};
}

dbtl::rcptr<L3DTexture> L3DDevice::_RegisterTexture(IDirect3DTexture9* d3dTexture,
                                                    const char* name) {
  dbtl::rcptr<L3DTexture> texture;
  texture.Create(1);
  texture->owner = this;
  texture->texture = d3dTexture;
  dbtl::DstrCopyN(texture->name, name != nullptr ? name : "", sizeof texture->name);
  texture->levels = d3dTexture->GetLevelCount();
  dbtl::rcptr<dbtl::rcptr_holder> holder;
  holder.Create(1);
  *holder = dbtl::rcptr_holder(texture);
  texture->node = m_textures.PushBack(holder);
  return texture;
}

dbtl::rcptr<L3DTexture> L3DDevice::_CreateTexture(const char* name, uint32_t width,
                                                  uint32_t height, bool alpha, bool mip) {
  if (FindTexture(name)) {
    lerrFatal(lerrText(u"[L3DDevice::_CreateTexture] テクスチャ\"%s\"はすでに存在しています。").c_str(),
              name);
  }
  uint32_t w, h;
  _AdjustTextureSize(width, height, w, h);
  if (!(m_flags & L3DDEV_FLAG_MIPMAP)) mip = false;
  const D3DFORMAT format = alpha ? m_alphaFormat : m_colorFormat;
  IDirect3DTexture9* d3dTexture = nullptr;
  if (m_device != nullptr &&
      SUCCEEDED(m_device->CreateTexture(w, h, mip ? 0 : 1, 0, format, D3DPOOL_MANAGED,
                                        &d3dTexture, nullptr))) {
    d3dTexture->SetPriority(0);
    dbtl::rcptr<L3DTexture> texture = _RegisterTexture(d3dTexture, name);
    texture->kind = alpha ? m_alphaKind : m_colorKind;
    texture->width = w;
    texture->height = h;
    texture->alpha = alpha;
    texture->type = L3DTEX_TYPE_MANAGED;
    return texture;
  }
  lerrFatal("[L3DDevice::CreateTexture] %s(%ux%u)(alpha: %s)(mip: %s)(pri: %d)",
            lerrText(u"テクスチャが作成できません。").c_str(), w, h, alpha ? "true" : "false",
            mip ? "true" : "false", 0);
}

dbtl::rcptr<L3DTexture> L3DDevice::CreateTexture(const char* name, uint32_t width,
                                                 uint32_t height) {
  return _CreateTexture(name, width, height, true, false);
}

dbtl::rcptr<L3DTexture> L3DDevice::_CreateTextureFromImage(const char* name,
                                                           const dbtl::DImage& image, bool alpha,
                                                           bool mip) {
  dbtl::rcptr<L3DTexture> texture =
      _CreateTexture(name, image.GetWidth(), image.GetHeight(), alpha, mip);
  // Every level stays locked while the chain is built: each is made from the one before.
  std::vector<LockedLevel> levels(texture->levels);
  if (!levels[0].Lock(texture->texture, 0, texture->kind)) return texture;
  DimgResample(levels[0].image, levels[0].width, levels[0].height, image, image.GetWidth(),
               image.GetHeight(), 0, 0);
  for (uint32_t i = 1; i < texture->levels; ++i) {
    if (!levels[i].Lock(texture->texture, i, texture->kind)) break;
  }
  for (uint32_t i = 1; i < texture->levels && levels[i].locked; ++i) {
    DimgResampleMip(levels[i].image, levels[i].width, levels[i].height, levels[i - 1].image,
                    levels[i - 1].width, levels[i - 1].height, 0, 0);
  }
  // Levels 1 and up are unlocked first, level 0 last.
  while (levels.size() > 1) levels.pop_back();
  return texture;
}

IDirect3DTexture9* L3DDevice::_CreateRenderTexture(uint32_t width, uint32_t height) {
  if (m_renderFormat == D3DFMT_UNKNOWN || m_device == nullptr) return nullptr;
  _UnbindAll();
  IDirect3DTexture9* texture = nullptr;
  if (FAILED(m_device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, m_renderFormat,
                                     D3DPOOL_DEFAULT, &texture, nullptr))) {
    return nullptr;
  }
  return texture;
}

dbtl::rcptr<L3DTexture> L3DDevice::CreateTextureBack(uint32_t width, uint32_t height) {
  uint32_t w, h;
  _AdjustTextureSize(width, height, w, h);
  if (w < width || h < height) return {};
  IDirect3DTexture9* d3dTexture = _CreateRenderTexture(w, h);
  if (d3dTexture == nullptr) return {};
  dbtl::rcptr<L3DTexture> texture = _RegisterTexture(d3dTexture, "");
  l3dFormatKind(m_renderFormat, texture->kind);
  texture->width = w;
  texture->height = h;
  texture->alpha = false;
  texture->type = L3DTEX_TYPE_RENDER;
  texture->contentsLost = true;
  return texture;
}

void L3DDevice::_RemoveTexture(L3DTexture* texture) {
  m_textures.Erase(texture->node);
  texture->node.Reset();
}

namespace {

L3DTexture* recordAt(const dbtl::DListBase::iterator& it) {
  return static_cast<L3DTexture*>(static_cast<dbtl::rcptr_holder*>(it->elementObject)->object);
}

}  // namespace

void L3DDevice::_ReleaseTextures() {
  while (m_textures.GetCount() != 0) {
    L3DTexture* texture = recordAt(m_textures.Begin());
    safeRelease(texture->texture);
    _RemoveTexture(texture);
    texture->owner = nullptr;
  }
  m_textures.Release();
}

void L3DDevice::_LostTextures() {
  for (auto it = m_textures.Begin(); it != m_textures.End(); it = dbtl::DListBase::Next(it)) {
    L3DTexture* texture = recordAt(it);
    if (texture->type == L3DTEX_TYPE_RENDER) safeRelease(texture->texture);
  }
}

void L3DDevice::_ResetTextures() {
  for (auto it = m_textures.Begin(); it != m_textures.End(); it = dbtl::DListBase::Next(it)) {
    recordAt(it)->_Reset();
  }
}
