#include "platform/d3d9/Device.h"
#include "platform/d3d9/Format.h"
#include "platform/d3d9/shader/InterpreterBackend.h"

#include <algorithm>

namespace d3d9 {
namespace {

bool isPow2(uint32_t v) { return v && !(v & (v - 1)); }

constexpr size_t kMaxShaderTokens = size_t(1) << 20;

}  // namespace

HRESULT IDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DTexture9** texture, HANDLE*) {
  log("CreateTexture", {width, height, levels, usage, format, pool});
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  const D3DCAPS9& caps = adapter_.caps;
  const FormatInfo* info = formatInfo(format);
  if (!info || info->depth || width == 0 || height == 0) return D3DERR_INVALIDCALL;
  if (usage & ~(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if (pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  const D3DFORMAT display = params_.Windowed ? adapter_.desktop.Format : params_.BackBufferFormat;
  if (FAILED(owner_->CheckDeviceFormat(creation_.AdapterOrdinal, D3DDEVTYPE_HAL,
                                       display == D3DFMT_A8R8G8B8 ? D3DFMT_X8R8G8B8 : display,
                                       usage, D3DRTYPE_TEXTURE, format))) {
    return D3DERR_INVALIDCALL;
  }
  if (width > caps.MaxTextureWidth || height > caps.MaxTextureHeight) return D3DERR_INVALIDCALL;
  if ((caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) && width != height) {
    return D3DERR_INVALIDCALL;
  }
  const bool pow2 = isPow2(width) && isPow2(height);
  const uint32_t chain = IDirect3DTexture9::fullChainLength(width, height);
  if (levels == 0) levels = (caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP) ? chain : 1;
  if (levels > chain || (levels > 1 && !(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP))) {
    return D3DERR_INVALIDCALL;
  }
  if ((caps.TextureCaps & D3DPTEXTURECAPS_POW2) && !pow2) {
    // Conditional support takes other sizes only without a mip chain.
    if (!(caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) || levels != 1) {
      return D3DERR_INVALIDCALL;
    }
  }
  if (info->blockBytes && (width % 4 || height % 4)) return D3DERR_INVALIDCALL;
  *texture = IDirect3DTexture9::create(link_, width, height, levels, usage, format, pool);
  return *texture ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT IDirect3DDevice9::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer9** buffer, HANDLE*) {
  log("CreateVertexBuffer", {length, usage, fvf, pool});
  if (!buffer || length == 0 || pool == D3DPOOL_SCRATCH || pool > D3DPOOL_SCRATCH) {
    return D3DERR_INVALIDCALL;
  }
  *buffer = IDirect3DVertexBuffer9::create(link_, length, usage, fvf, pool);
  return *buffer ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT IDirect3DDevice9::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DIndexBuffer9** buffer,
                                            HANDLE*) {
  log("CreateIndexBuffer", {length, usage, format, pool});
  if (!buffer || length < 2 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) ||
      pool == D3DPOOL_SCRATCH || pool > D3DPOOL_SCRATCH) {
    return D3DERR_INVALIDCALL;
  }
  *buffer = IDirect3DIndexBuffer9::create(link_, length, usage, format, pool);
  return *buffer ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT IDirect3DDevice9::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                    D3DMULTISAMPLE_TYPE samples, DWORD quality,
                                                    BOOL, IDirect3DSurface9** surface,
                                                    HANDLE*) {
  log("CreateDepthStencilSurface", {width, height, format, samples, quality});
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  const UINT ordinal = creation_.AdapterOrdinal;
  DWORD levels = 0;
  if (FAILED(owner_->CheckDeviceFormat(ordinal, D3DDEVTYPE_HAL, adapter_.desktop.Format,
                                       D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format)) ||
      FAILED(owner_->CheckDeviceMultiSampleType(ordinal, D3DDEVTYPE_HAL, format,
                                                params_.Windowed, samples, &levels)) ||
      quality >= levels) {
    return D3DERR_INVALIDCALL;
  }
  auto store = PixelStore::make(format, width, height, 0);
  if (!store) return D3DERR_OUTOFVIDEOMEMORY;
  *surface = IDirect3DSurface9::create(link_, SurfaceRole::DepthStencil, std::move(*store),
                                       D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL,
                                       false, samples, quality, nullptr);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format,
                                                      D3DPOOL pool, IDirect3DSurface9** surface,
                                                      HANDLE*) {
  log("CreateOffscreenPlainSurface", {width, height, format, pool});
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (pool == D3DPOOL_MANAGED || pool > D3DPOOL_SCRATCH || !pixelCodec(format).decode) {
    return D3DERR_INVALIDCALL;
  }
  auto store = PixelStore::make(format, width, height, link_->pitchPadding);
  if (!store) return width && height ? D3DERR_OUTOFVIDEOMEMORY : D3DERR_INVALIDCALL;
  *surface = IDirect3DSurface9::create(link_, SurfaceRole::Plain, std::move(*store), pool, 0,
                                       true, D3DMULTISAMPLE_NONE, 0, nullptr);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexShader(const DWORD* tokens,
                                             IDirect3DVertexShader9** shader) {
  return CreateVertexShader(tokens, kMaxShaderTokens * 4, shader);
}

HRESULT IDirect3DDevice9::CreatePixelShader(const DWORD* tokens, IDirect3DPixelShader9** shader) {
  return CreatePixelShader(tokens, kMaxShaderTokens * 4, shader);
}

HRESULT IDirect3DDevice9::CreateVertexShader(const DWORD* tokens, size_t bytes,
                                             IDirect3DVertexShader9** shader) {
  log("CreateVertexShader", {});
  if (!shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  if (bytes < 4) return D3DERR_INVALIDCALL;
  auto stream = readShaderTokens(tokens, 0xFFFE, std::min(bytes / 4, kMaxShaderTokens));
  if (!stream) return D3DERR_INVALIDCALL;
  // Software vertex processing runs every version up to 3.0; hardware only what the caps say.
  const DWORD limit = creation_.BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                                 D3DCREATE_MIXED_VERTEXPROCESSING)
                          ? D3DVS_VERSION(3, 0)
                          : adapter_.caps.VertexShaderVersion;
  if (adapter_.caps.VertexShaderVersion == 0 && limit == 0) return D3DERR_INVALIDCALL;
  if (((*stream)[0] & 0xFFFF) > (limit & 0xFFFF)) return D3DERR_INVALIDCALL;
  auto program = compileShader(*stream);
  if (!program) return D3DERR_INVALIDCALL;
  *shader = new IDirect3DVertexShader9(std::move(*stream));
  (*shader)->program = std::move(program);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreatePixelShader(const DWORD* tokens, size_t bytes,
                                            IDirect3DPixelShader9** shader) {
  log("CreatePixelShader", {});
  if (!shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  if (bytes < 4) return D3DERR_INVALIDCALL;
  auto stream = readShaderTokens(tokens, 0xFFFF, std::min(bytes / 4, kMaxShaderTokens));
  const DWORD limit = adapter_.caps.PixelShaderVersion;
  if (!stream || limit == 0 || ((*stream)[0] & 0xFFFF) > (limit & 0xFFFF)) {
    return D3DERR_INVALIDCALL;
  }
  auto program = compileShader(*stream);
  if (!program) return D3DERR_INVALIDCALL;
  *shader = new IDirect3DPixelShader9(std::move(*stream));
  (*shader)->program = std::move(program);
  return D3D_OK;
}

}  // namespace d3d9
