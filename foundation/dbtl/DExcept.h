#pragma once

#include "foundation/dbtl/DObject.h"

#include <cstdint>

namespace dbtl {

// The base library's exception: a message of at most 255 bytes, copied whole with the object.
class DExcept : public DObject {
 public:
  static constexpr uint32_t kMessageSize = 256;

  // Texts longer than 255 bytes are cut; a null text gives an empty message.
  explicit DExcept(const char* text);

  const char* GetMessage() const { return m_message; }

 private:
  char m_message[kMessageSize];
};

}  // namespace dbtl
