#pragma once

// Vertex and pixel shader objects: the validated token stream of a compiled shader. Running
// them is the job of the shader back end that plugs into the draw pipeline (ShaderBackend.h).

#include "platform/d3d9/D3d9Types.h"
#include "platform/d3d9/Unknown.h"

#include <memory>
#include <optional>
#include <vector>

namespace d3d9 {

class ShaderProgram;

class IDirect3DVertexShader9 : public IUnknown {
 public:
  explicit IDirect3DVertexShader9(std::vector<DWORD> tokens) : tokens_(std::move(tokens)) {}
  const std::vector<DWORD>& tokens() const { return tokens_; }
  DWORD version() const { return tokens_[0]; }
  // The back end's compiled form, made at the first draw; owned here.
  std::shared_ptr<ShaderProgram> program;

 private:
  std::vector<DWORD> tokens_;
};

class IDirect3DPixelShader9 : public IUnknown {
 public:
  explicit IDirect3DPixelShader9(std::vector<DWORD> tokens) : tokens_(std::move(tokens)) {}
  const std::vector<DWORD>& tokens() const { return tokens_; }
  DWORD version() const { return tokens_[0]; }
  std::shared_ptr<ShaderProgram> program;

 private:
  std::vector<DWORD> tokens_;
};

// Reads a shader token stream up to and including its end token, following the lengths of
// comment blocks so that comment contents are never taken for the end. Empty when the version
// token is not of the wanted kind (0xFFFE vertex, 0xFFFF pixel), when no end token comes within
// `maxTokens`, or when a comment runs past that bound.
std::optional<std::vector<DWORD>> readShaderTokens(const DWORD* tokens, uint32_t kindHigh16,
                                                   size_t maxTokens);

}  // namespace d3d9
