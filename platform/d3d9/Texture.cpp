#include "platform/d3d9/Texture.h"

#include "platform/d3d9/Format.h"

namespace d3d9 {

IDirect3DTexture9::IDirect3DTexture9(std::shared_ptr<DeviceLink> link, DWORD usage,
                                     D3DFORMAT format, D3DPOOL pool)
    : IDirect3DBaseTexture9(std::move(link), pool, usage), format_(format) {}

IDirect3DTexture9::~IDirect3DTexture9() {
  for (IDirect3DSurface9* s : levels_) s->destroyLevel();
}

uint32_t IDirect3DTexture9::fullChainLength(uint32_t width, uint32_t height) {
  uint32_t n = 1;
  for (uint32_t side = width > height ? width : height; side > 1; side >>= 1) ++n;
  return n;
}

IDirect3DTexture9* IDirect3DTexture9::create(std::shared_ptr<DeviceLink> link, uint32_t width,
                                             uint32_t height, uint32_t levels, DWORD usage,
                                             D3DFORMAT format, D3DPOOL pool) {
  const uint32_t padding = link ? link->pitchPadding : 0;
  auto* tex = new IDirect3DTexture9(link, usage, format, pool);
  // Render targets and default-pool textures without the dynamic usage cannot be locked.
  const bool lockable = pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC);
  const auto role =
      (usage & D3DUSAGE_RENDERTARGET) ? SurfaceRole::RenderTarget : SurfaceRole::TextureLevel;
  for (uint32_t i = 0; i < levels; ++i) {
    const uint32_t w = width >> i ? width >> i : 1, h = height >> i ? height >> i : 1;
    auto store = PixelStore::make(format, w, h, padding);
    if (!store) {
      tex->Release();
      return nullptr;
    }
    tex->levels_.push_back(IDirect3DSurface9::create(link, role, std::move(*store), pool, usage,
                                                     lockable, D3DMULTISAMPLE_NONE, 0, tex));
  }
  tex->decoded_.resize(levels);
  return tex;
}

HRESULT IDirect3DTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const {
  if (level >= levels_.size()) return D3DERR_INVALIDCALL;
  return levels_[level]->GetDesc(desc);
}

HRESULT IDirect3DTexture9::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
  if (!surface || level >= levels_.size()) return D3DERR_INVALIDCALL;
  *surface = levels_[level];
  AddRef();
  return D3D_OK;
}

HRESULT IDirect3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                    DWORD flags) {
  if (level >= levels_.size()) return D3DERR_INVALIDCALL;
  return levels_[level]->LockRect(locked, rect, flags);
}

HRESULT IDirect3DTexture9::UnlockRect(UINT level) {
  if (level >= levels_.size()) return D3DERR_INVALIDCALL;
  return levels_[level]->UnlockRect();
}

const TexelLevel& IDirect3DTexture9::texels(uint32_t level) {
  Decoded& d = decoded_[level];
  const PixelStore& s = levels_[level]->store();
  if (d.version == s.version) return d.view;
  d.words.resize(size_t(s.width) * s.height);
  const FormatInfo* info = formatInfo(s.format);
  if (info && info->blockBytes) {
    uint32_t block[16];
    for (uint32_t by = 0; by < (s.height + 3) / 4; ++by) {
      const uint8_t* src = s.row(by);
      for (uint32_t bx = 0; bx < (s.width + 3) / 4; ++bx, src += info->blockBytes) {
        decodeDxtBlock(s.format, src, block);
        for (uint32_t i = 0; i < 16; ++i) {
          const uint32_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
          if (x < s.width && y < s.height) d.words[size_t(y) * s.width + x] = block[i];
        }
      }
    }
  } else {
    const PixelCodec codec = pixelCodec(s.format);
    for (uint32_t y = 0; y < s.height; ++y) {
      if (codec.decode) {
        codec.decode(s.row(y), s.width, d.words.data() + size_t(y) * s.width);
      }
    }
  }
  d.view = {d.words.data(), s.width, s.width, s.height};
  d.version = s.version;
  return d.view;
}

}  // namespace d3d9
