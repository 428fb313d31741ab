#pragma once

// The device stand-in: keeps real surfaces, resources and states, goes through the life the
// renderer expects (scenes, clears, render targets, loss and reset, presentation into a front
// buffer) and draws through the software pipeline. Besides the interface's calls it offers a
// few controls for tests: a scripted loss, the presentation counter, the front buffer and the
// call log.

#include "platform/d3d9/Buffers.h"
#include "platform/d3d9/CallLog.h"
#include "platform/d3d9/DeviceState.h"
#include "platform/d3d9/Direct3D9.h"
#include "platform/d3d9/Shaders.h"
#include "platform/d3d9/Surface.h"
#include "platform/d3d9/Texture.h"

#include <chrono>
#include <memory>

namespace d3d9 {

class Pipeline;
struct DrawSource;

class IDirect3DDevice9 : public IUnknown {
 public:
  static IDirect3DDevice9* create(IDirect3D9* owner, const AdapterProfile& adapter,
                                  const D3DDEVICE_CREATION_PARAMETERS& creation,
                                  const D3DPRESENT_PARAMETERS& params, uint32_t padding);

  // Life of the device.
  HRESULT TestCooperativeLevel();
  HRESULT Reset(D3DPRESENT_PARAMETERS* params);
  HRESULT Present(const RECT* source, const RECT* dest, HWND window, const void* dirtyRegion);
  HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status);
  HRESULT GetDeviceCaps(D3DCAPS9* caps) const;
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params) const;
  HRESULT GetDirect3D(IDirect3D9** d3d);
  HRESULT EvictManagedResources();
  HRESULT SetSoftwareVertexProcessing(BOOL software);
  BOOL GetSoftwareVertexProcessing() const { return state_.softwareVertexProcessing; }

  // Resources.
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared);
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, HANDLE* shared);
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, HANDLE* shared);
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                    D3DMULTISAMPLE_TYPE samples, DWORD quality, BOOL discard,
                                    IDirect3DSurface9** surface, HANDLE* shared);
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* shared);
  HRESULT CreateVertexShader(const DWORD* tokens, IDirect3DVertexShader9** shader);
  HRESULT CreatePixelShader(const DWORD* tokens, IDirect3DPixelShader9** shader);

  // Surfaces and copies.
  HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** surface);
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface);
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface);
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface);
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface);
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* dest);
  HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* dest);
  HRESULT StretchRect(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* dest,
                      const RECT* destRect, D3DTEXTUREFILTERTYPE filter);
  HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR colour);

  // The frame.
  HRESULT BeginScene();
  HRESULT EndScene();
  HRESULT Clear(DWORD count, const RECT* rects, DWORD flags, D3DCOLOR colour, float z,
                DWORD stencil);
  HRESULT SetViewport(const D3DVIEWPORT9* viewport);
  HRESULT GetViewport(D3DVIEWPORT9* viewport) const;

  // States and bindings.
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE state, DWORD value);
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE state, DWORD* value) const;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value);
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) const;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture);
  HRESULT SetFVF(DWORD fvf);
  HRESULT GetFVF(DWORD* fvf) const;
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader);
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader);
  HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count);
  HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count);
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
  HRESULT SetIndices(IDirect3DIndexBuffer9* buffer);
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE which, const D3DMATRIX* matrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE which, D3DMATRIX* matrix) const;

  // Drawing.
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertex, UINT minIndex,
                               UINT vertexCount, UINT startIndex, UINT primitiveCount);
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                          UINT stride);
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                 UINT primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                 const void* vertices, UINT stride);

  // Controls for tests.
  // The device becomes lost: the next `lostTests` cooperative-level tests answer lost, the
  // following ones not-reset, until a reset succeeds.
  void simulateLoss(uint32_t lostTests);
  uint64_t presentCount() const { return presentCount_; }
  // What the last presentation showed, as A8R8G8B8 (empty before the first one).
  const PixelStore& frontBuffer() const { return front_; }
  CallLog& callLog() { return log_; }
  const DeviceState& state() const { return state_; }
  IDirect3DSurface9* currentRenderTarget() const { return renderTarget_; }
  IDirect3DSurface9* currentDepthStencil() const { return depthStencil_; }

 private:
  IDirect3DDevice9(IDirect3D9* owner, const AdapterProfile& adapter,
                   const D3DDEVICE_CREATION_PARAMETERS& creation, uint32_t padding);
  ~IDirect3DDevice9() override;

  bool makeSwapChain(const D3DPRESENT_PARAMETERS& params);
  void releaseSwapChain();
  void resetStates();
  void unbindAll();
  bool implicitSurfacesHeld() const;
  void fullViewport();
  HRESULT lostOrNot() const;
  HRESULT draw(D3DPRIMITIVETYPE type, UINT primitiveCount, const DrawSource& source);
  void log(const char* name, std::initializer_list<uint64_t> args) { log_.add(name, args); }

  IDirect3D9* owner_;
  AdapterProfile adapter_;
  D3DDEVICE_CREATION_PARAMETERS creation_;
  D3DPRESENT_PARAMETERS params_{};
  std::shared_ptr<DeviceLink> link_;
  DeviceState state_;
  CallLog log_;
  IDirect3DSurface9* backBuffer_ = nullptr;    // own reference
  IDirect3DSurface9* autoDepth_ = nullptr;     // own reference
  IDirect3DSurface9* renderTarget_ = nullptr;  // reference held by the binding
  IDirect3DSurface9* depthStencil_ = nullptr;  // reference held by the binding
  PixelStore front_;
  uint64_t presentCount_ = 0;
  bool inScene_ = false;
  enum class Loss { None, Lost, NotReset } loss_ = Loss::None;
  uint32_t lostTestsLeft_ = 0;
  std::chrono::steady_clock::time_point rasterEpoch_;
  std::unique_ptr<Pipeline> pipeline_;
};

}  // namespace d3d9
