#pragma once

// A vertex shader as the draw pipeline's vertex stage: the elements of each vertex are read
// into the input registers its declarations name, the interpreter runs over batches of
// vertices, and the output registers become the shaded vertex.

#include "platform/d3d9/raster/Stages.h"
#include "platform/d3d9/shader/ShaderConstants.h"

#include <memory>

namespace d3d9 {

class ShaderVertexStage final : public VertexStage {
 public:
  HRESULT prepare(const std::shared_ptr<ShaderProgram>& program, const DeviceState& state,
                  const VertexLayout& layout);
  bool pretransformed() const override { return false; }
  void run(const VertexBatch& batch, ShadedVertex* out) override;

 private:
  enum class Element : uint8_t { Floats, Colour, Bytes, Missing };
  struct Fetch {
    uint16_t slot;
    Element element;
    uint8_t components;
    uint32_t offset;
  };

  void read(const VertexBatch& batch, uint32_t first, uint32_t n);
  void write(uint32_t n, ShadedVertex* out);

  std::shared_ptr<ShaderProgram> program_;
  shader::Machine machine_;
  shader::UniformTables uniforms_;
  std::vector<Fetch> fetches_;
  int32_t position_ = -1, fog_ = -1, colour_[2] = {-1, -1}, tex_[8] = {};
};

}  // namespace d3d9
