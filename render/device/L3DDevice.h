#pragma once

// The one Direct3D 9 device of the program: created on one adapter with a full-screen mode and
// a window mode prepared side by side, it makes and lists every texture, buffer and shader,
// keeps caches of the device states so that each change reaches Direct3D once, switches render
// targets, survives device loss and window resizes by resetting, and presents frames.
//
// Creation and resource failures are fatal (lerrFatal); failures during a frame only answer
// false. Everything runs on the game thread.

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/rcptr.h"
#include "foundation/dbtl/rcptr_holder.h"
#include "image/DImage.h"
#include "platform/d3d9/Device.h"
#include "render/device/L3DResources.h"
#include "render/device/L3DStateCache.h"
#include "render/device/L3DTexture.h"
#include "render/device/L3DWindow.h"
#include "render/device/l3dPack.h"

#include <cstdint>

// Flags word.
constexpr uint32_t L3DDEV_FLAG_FULLSCREEN = 0x1;
constexpr uint32_t L3DDEV_FLAG_WINDOW = 0x2;
constexpr uint32_t L3DDEV_FLAG_COMPRESS = 0x8;
constexpr uint32_t L3DDEV_FLAG_VSHADER = 0x10;
constexpr uint32_t L3DDEV_FLAG_PSHADER = 0x20;
constexpr uint32_t L3DDEV_FLAG_MIPMAP = 0x40;
constexpr uint32_t L3DDEV_FLAG_VSYNC = 0x80;
constexpr uint32_t L3DDEV_FLAG_VSYNC_ACTIVE = 0x100;

// Options of Create.
constexpr uint32_t L3DDEV_CREATE_WINDOW = 0x1;
constexpr uint32_t L3DDEV_CREATE_COMPRESS = 0x2;
constexpr uint32_t L3DDEV_CREATE_MIPMAP = 0x4;
constexpr uint32_t L3DDEV_CREATE_IMMEDIATE = 0x8;

// The renderer's vertex (56 bytes) and the FVF every pass starts from.
constexpr uint32_t L3DDEV_DEFAULT_FVF = 0x815E;
constexpr uint32_t L3DDEV_VERTEX_STRIDE = 56;

constexpr uint32_t L3DDEV_RENDER_STATES = 210;
constexpr uint32_t L3DDEV_SAMPLERS = 4;
constexpr uint32_t L3DDEV_SAMPLER_STATES = 14;
constexpr uint32_t L3DDEV_STAGE_STATES = 33;

using _L3DDEV_STATE = L3DStateEntry<uint32_t>;
using _L3DDEV_STAGE_STATE = L3DStateEntry<uint32_t>;
using _L3DDEV_TEXTURE_STATE = L3DStateEntry<d3d9::IDirect3DBaseTexture9*>;

// A depth surface kept for render-target textures of one size, across resets.
struct _L3DDEV_DEPTH_SURFACE {
  d3d9::IDirect3DSurface9* surface = nullptr;  // owned
  uint32_t width = 0;
  uint32_t height = 0;
};

class L3DDevice {
 public:
  // window gives the main window's client size and pack the registered pack of shader files;
  // both belong to the host and outlive the device. Null: a 1 x 1 client and pack 0.
  explicit L3DDevice(const L3DWindow* window = nullptr, const L3DPack* pack = nullptr)
      : m_host(window), m_packs(pack) {}
  ~L3DDevice();
  L3DDevice(const L3DDevice&) = delete;
  L3DDevice& operator=(const L3DDevice&) = delete;

  // Set-up and release.
  void Create(uint32_t adapter, d3d9::HWND window, uint32_t bits, uint32_t width,
              uint32_t height, uint32_t multisample, uint32_t options);
  void Release();

  // State caches.
  void SetStateRender(uint32_t state, uint32_t value);
  void SetStateSampler(uint32_t sampler, uint32_t state, uint32_t value);
  void SetStateTexStage(uint32_t stage, uint32_t state, uint32_t value);
  void SetStateTexture(uint32_t stage, d3d9::IDirect3DBaseTexture9* texture);
  void SetFVF(uint32_t fvf) { m_fvfWanted = fvf; }
  void ApplyState();
  void ResetState();
  void SetVShader(bool software, d3d9::IDirect3DVertexShader9* shader);
  void SetPShader(d3d9::IDirect3DPixelShader9* shader);
  void SetStreamSource(d3d9::IDirect3DVertexBuffer9* buffer, uint32_t stride);
  void SetIndices(d3d9::IDirect3DIndexBuffer9* buffer);
  void DrawTriangleListUP(const void* vertices, uint32_t triangles);
  // From the bound stream source and indices, base vertex, minimum and start index 0.
  void DrawIndexedPrimitive(uint32_t type, uint32_t vertexCount, uint32_t primitiveCount);
  // From user memory with 16-bit indices; the cached stream bindings are forgotten afterwards,
  // as the device drops them.
  void DrawIndexedPrimitiveUP(uint32_t stride, uint32_t type, uint32_t vertexCount,
                              uint32_t primitiveCount, const uint16_t* indices,
                              const void* vertices);
  // Whether the last SetVShader chose software vertex processing.
  bool IsSoftwareVP() const { return m_softwareVP; }
  d3d9::IDirect3DPixelShader9* GetPShader() const { return m_pshader; }
  // The stream-0 and index bindings that Direct3D drops after a user-memory draw.
  void _ForgetStreamBindings();

  // Textures.
  dbtl::rcptr<L3DTexture> FindTexture(const char* name);
  dbtl::rcptr<L3DTexture> CreateTexture(const char* name, uint32_t width, uint32_t height);
  dbtl::rcptr<L3DTexture> _CreateTexture(const char* name, uint32_t width, uint32_t height,
                                         bool alpha, bool mip);
  dbtl::rcptr<L3DTexture> _CreateTextureFromImage(const char* name, const dbtl::DImage& image,
                                                  bool alpha, bool mip);
  dbtl::rcptr<L3DTexture> CreateTextureBack(uint32_t width, uint32_t height);
  d3d9::IDirect3DTexture9* _CreateRenderTexture(uint32_t width, uint32_t height);
  void _AdjustTextureSize(uint32_t width, uint32_t height, uint32_t& outWidth,
                          uint32_t& outHeight) const;
  void _CreateTextureManager();
  void _RemoveTexture(L3DTexture* texture);

  // Texture files of the registered pack.
  dbtl::rcptr<L3DTexture> CreateTexturePack(const char* name, int32_t pack, const char* path,
                                            bool mip);
  dbtl::rcptr<L3DTexture> CreateTextureDXTn(const char* name, dbtl::DFile& file, uint32_t edge,
                                            bool alpha, bool mip);

  // Buffers and shaders.
  dbtl::rcptr<L3DVBuffer> _CreateVBuffer(uint32_t length, uint32_t fvf);
  dbtl::rcptr<L3DVBuffer> CreateVBuffer(const void* data, uint32_t length, uint32_t fvf);
  dbtl::rcptr<L3DIBuffer> _CreateIBuffer(uint32_t length);
  dbtl::rcptr<L3DIBuffer> CreateIBuffer(const void* data, uint32_t length);
  dbtl::rcptr<L3DVShader> CreateVShader(dbtl::DFile& file);
  dbtl::rcptr<L3DPShader> CreatePShader(dbtl::DFile& file);
  dbtl::rcptr<L3DVShader> LoadVShader(const char* path);
  dbtl::rcptr<L3DPShader> LoadPShader(const char* path);
  void _RemoveVBuffer(L3DVBuffer* buffer);
  void _RemoveIBuffer(L3DIBuffer* buffer);
  void _RemoveVShader(L3DVShader* shader);
  void _RemovePShader(L3DPShader* shader);

  // Surfaces, loss, reset and presentation.
  bool Reset(bool window);
  bool ResetCurrentMode() { return Reset(m_windowed); }
  bool Present();
  void ResetViewport();
  void SetViewport(uint32_t width, uint32_t height);
  bool SetRenderTarget(bool withDepth, const dbtl::rcptr<L3DTexture>& texture);
  bool CaptureBackBuffer(dbtl::DFile& file);
  void WaitVBlank();

  // Read by the drawing code and the host.
  d3d9::IDirect3DDevice9* GetDevice() const { return m_device; }
  bool IsWindowed() const { return m_windowed; }
  bool IsLost() const { return m_lost; }
  uint32_t GetFlags() const { return m_flags; }
  const d3d9::D3DCAPS9& GetCaps() const { return m_caps; }
  uint32_t GetColorDepth() const { return m_colorDepth; }
  // The current mode's presentation parameters.
  const d3d9::D3DPRESENT_PARAMETERS& GetPresentParameters() const {
    return m_windowed ? m_windowParams : m_fullParams;
  }
  uint32_t GetAdapter() const { return m_adapter; }
  d3d9::D3DFORMAT GetColorTextureFormat() const { return m_colorFormat; }
  uint32_t GetColorTextureKind() const { return m_colorKind; }
  d3d9::D3DFORMAT GetAlphaTextureFormat() const { return m_alphaFormat; }
  uint32_t GetAlphaTextureKind() const { return m_alphaKind; }
  d3d9::D3DFORMAT GetRenderTextureFormat() const { return m_renderFormat; }
  d3d9::IDirect3DSurface9* GetRenderTarget() const { return m_renderTarget; }
  uint32_t GetRenderTargetWidth() const { return m_targetWidth; }
  uint32_t GetRenderTargetHeight() const { return m_targetHeight; }
  uint32_t GetDepthSurfaceCount() const { return m_depthSurfaces.GetCount(); }

 private:
  // Called only by the device's own set-up, loss, reset and release.
  void _InitState();
  void _RestoreState();
  void _ReleaseTextures();
  void _LostTextures();
  void _ResetTextures();
  void _ReleaseVBuffers();
  void _ReleaseIBuffers();
  void _ReleaseVShaders();
  void _ReleasePShaders();
  d3d9::IDirect3DSurface9* _CreateDepthSurface(uint32_t width, uint32_t height);
  void _ReleaseSurfaces();
  bool _ResetSurfaces();
  void _UnbindAll();
  template <class Record>
  void _ReleaseList(dbtl::DList<Record>& list);
  void _Report();
  // A new record with one handle, entered at the end of the registry.
  dbtl::rcptr<L3DTexture> _RegisterTexture(d3d9::IDirect3DTexture9* texture, const char* name);
  bool _ResetDevice(bool window, uint32_t clientWidth, uint32_t clientHeight,
                    d3d9::D3DFORMAT desktop);

  const L3DWindow* m_host;
  const L3DPack* m_packs;
  d3d9::IDirect3DDevice9* m_device = nullptr;
  bool m_windowed = false;
  bool m_lost = false;
  d3d9::HWND m_window = nullptr;
  uint32_t m_adapter = 0;
  d3d9::D3DFORMAT m_fullDisplayFormat = d3d9::D3DFMT_UNKNOWN;
  d3d9::D3DPRESENT_PARAMETERS m_fullParams{};
  d3d9::D3DFORMAT m_windowDisplayFormat = d3d9::D3DFMT_UNKNOWN;
  d3d9::D3DPRESENT_PARAMETERS m_windowParams{};
  uint32_t m_flags = 0;
  uint32_t m_colorDepth = 0;
  uint32_t m_fullColorDepth = 0;
  uint32_t m_desktopColorDepth = 0;
  d3d9::D3DCAPS9 m_caps{};

  d3d9::IDirect3DSurface9* m_backBuffer = nullptr;
  d3d9::IDirect3DSurface9* m_renderTarget = nullptr;
  uint32_t m_targetWidth = 0;
  uint32_t m_targetHeight = 0;
  d3d9::IDirect3DSurface9* m_defaultDepth = nullptr;
  d3d9::IDirect3DSurface9* m_currentDepth = nullptr;  // not owned
  dbtl::DList<_L3DDEV_DEPTH_SURFACE> m_depthSurfaces;

  d3d9::D3DFORMAT m_colorFormat = d3d9::D3DFMT_UNKNOWN;
  uint32_t m_colorKind = 0;
  d3d9::D3DFORMAT m_alphaFormat = d3d9::D3DFMT_UNKNOWN;
  uint32_t m_alphaKind = 0;
  d3d9::D3DFORMAT m_renderFormat = d3d9::D3DFMT_UNKNOWN;

  dbtl::DList<dbtl::rcptr_holder> m_textures;
  dbtl::DList<L3DVBuffer> m_vbuffers;
  dbtl::DList<L3DIBuffer> m_ibuffers;
  dbtl::DList<L3DVShader> m_vshaders;
  dbtl::DList<L3DPShader> m_pshaders;

  L3DStateCache<uint32_t> m_renderStates;
  L3DStateCache<uint32_t> m_samplerStates;
  L3DStateCache<uint32_t> m_stageStates;
  L3DStateCache<d3d9::IDirect3DBaseTexture9*> m_textureStates;
  uint32_t m_fvfWanted = L3DDEV_DEFAULT_FVF;
  uint32_t m_fvfSent = L3DDEV_DEFAULT_FVF;
  d3d9::IDirect3DVertexShader9* m_vshader = nullptr;
  bool m_softwareVP = false;
  d3d9::IDirect3DPixelShader9* m_pshader = nullptr;
  d3d9::IDirect3DVertexBuffer9* m_stream = nullptr;
  d3d9::IDirect3DIndexBuffer9* m_indices = nullptr;
};
