#include "platform/d3d9/shader/InterpreterBackend.h"

namespace d3d9 {

std::shared_ptr<ShaderProgram> compileShader(const std::vector<DWORD>& tokens) {
  shader::DecodeResult r = shader::decodeShader(tokens.data(), tokens.size());
  if (!r.ok) return nullptr;
  return std::make_shared<ShaderProgram>(std::move(r.program));
}

namespace {

// Shader objects made by the device carry their compiled form; others are compiled here once.
template <class Shader>
const std::shared_ptr<ShaderProgram>& programOf(Shader& shader) {
  if (!shader.program) shader.program = compileShader(shader.tokens());
  return shader.program;
}

}  // namespace

HRESULT InterpreterBackend::vertexStage(IDirect3DVertexShader9& shader, const DeviceState& state,
                                        const VertexLayout& layout, VertexStage*& stage) {
  const auto& program = programOf(shader);
  if (!program) return D3DERR_INVALIDCALL;
  if (const HRESULT hr = vertex_.prepare(program, state, layout); FAILED(hr)) return hr;
  stage = &vertex_;
  return D3D_OK;
}

HRESULT InterpreterBackend::pixelStage(IDirect3DPixelShader9& shader, const DeviceState& state,
                                       PixelStage*& stage) {
  const auto& program = programOf(shader);
  if (!program) return D3DERR_INVALIDCALL;
  if (const HRESULT hr = pixel_.prepare(program, state); FAILED(hr)) return hr;
  stage = &pixel_;
  return D3D_OK;
}

}  // namespace d3d9
