#pragma once

// Textures: a chain of level surfaces holding their pixels (block formats keep their blocks).
// For sampling, each level is decoded once into A8R8G8B8 words and decoded again only after its
// pixels changed (an unlock, a draw into it, a copy or a fill).

#include "platform/d3d9/Surface.h"

#include <vector>

namespace d3d9 {

// One level as the sampler reads it: A8R8G8B8 words, `pitch` words from row to row.
struct TexelLevel {
  const uint32_t* texels = nullptr;
  uint32_t pitch = 0;
  uint32_t width = 0;
  uint32_t height = 0;
};

class IDirect3DBaseTexture9 : public IDirect3DResource9 {
 public:
  virtual DWORD GetLevelCount() const = 0;

 protected:
  using IDirect3DResource9::IDirect3DResource9;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() const override { return DWORD(levels_.size()); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const;
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface);
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
  HRESULT UnlockRect(UINT level);

  // Number of levels of a full chain for a width x height texture (down to 1 x 1).
  static uint32_t fullChainLength(uint32_t width, uint32_t height);
  // Null when a level cannot be allocated.
  static IDirect3DTexture9* create(std::shared_ptr<DeviceLink> link, uint32_t width,
                                   uint32_t height, uint32_t levels, DWORD usage,
                                   D3DFORMAT format, D3DPOOL pool);

  D3DFORMAT format() const { return format_; }
  IDirect3DSurface9* level(uint32_t i) const { return levels_[i]; }
  const TexelLevel& texels(uint32_t level);

 private:
  IDirect3DTexture9(std::shared_ptr<DeviceLink> link, DWORD usage, D3DFORMAT format,
                    D3DPOOL pool);
  ~IDirect3DTexture9() override;

  struct Decoded {
    uint64_t version = 0;
    std::vector<uint32_t> words;
    TexelLevel view;
  };
  D3DFORMAT format_;
  std::vector<IDirect3DSurface9*> levels_;
  std::vector<Decoded> decoded_;
};

}  // namespace d3d9
