#pragma once

// Where vertex and pixel shaders plug into the draw pipeline. The device draws with the
// fixed-function stages for whatever is not bound; for a bound shader it asks the installed back
// end for a stage prepared for this draw. Without a back end, draws with a bound shader are
// refused.

#include "platform/d3d9/Shaders.h"
#include "platform/d3d9/raster/Stages.h"

namespace d3d9 {

class ShaderBackend {
 public:
  virtual ~ShaderBackend() = default;
  // A stage for this draw, owned by the back end and valid until its next call; or a failure
  // code (the draw then does nothing and answers it).
  virtual HRESULT vertexStage(IDirect3DVertexShader9& shader, const DeviceState& state,
                              const VertexLayout& layout, VertexStage*& stage) = 0;
  virtual HRESULT pixelStage(IDirect3DPixelShader9& shader, const DeviceState& state,
                             PixelStage*& stage) = 0;
};

// Installs the process's back end (null removes it); not owned.
void setShaderBackend(ShaderBackend* backend);
ShaderBackend* shaderBackend();

}  // namespace d3d9
