#pragma once

// The shader back end that runs shaders with the interpreter: each draw prepares the vertex or
// pixel stage from the shader's compiled form (made when the shader was created) and the
// device state. Each draw pipeline owns one.

#include "platform/d3d9/raster/ShaderBackend.h"
#include "platform/d3d9/shader/ShaderPixelStage.h"
#include "platform/d3d9/shader/ShaderVertexStage.h"

namespace d3d9 {

class InterpreterBackend final : public ShaderBackend {
 public:
  HRESULT vertexStage(IDirect3DVertexShader9& shader, const DeviceState& state,
                      const VertexLayout& layout, VertexStage*& stage) override;
  HRESULT pixelStage(IDirect3DPixelShader9& shader, const DeviceState& state,
                     PixelStage*& stage) override;

 private:
  ShaderVertexStage vertex_;
  ShaderPixelStage pixel_;
};

// The compiled form of a token stream, or null when the stream is not a valid shader.
std::shared_ptr<ShaderProgram> compileShader(const std::vector<DWORD>& tokens);

}  // namespace d3d9
