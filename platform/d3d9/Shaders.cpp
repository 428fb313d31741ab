#include "platform/d3d9/Shaders.h"

namespace d3d9 {

std::optional<std::vector<DWORD>> readShaderTokens(const DWORD* tokens, uint32_t kindHigh16,
                                                   size_t maxTokens) {
  if (!tokens || (tokens[0] >> 16) != kindHigh16) return std::nullopt;
  constexpr DWORD kEnd = 0x0000FFFF;
  constexpr DWORD kCommentOpcode = 0xFFFE;
  size_t i = 1;
  while (i < maxTokens) {
    const DWORD t = tokens[i];
    if (t == kEnd) return std::vector<DWORD>(tokens, tokens + i + 1);
    if ((t & 0xFFFF) == kCommentOpcode) {
      const size_t length = (t >> 16) & 0x7FFF;
      if (length >= maxTokens - i) return std::nullopt;
      i += 1 + length;
    } else {
      ++i;
    }
  }
  return std::nullopt;
}

}  // namespace d3d9
