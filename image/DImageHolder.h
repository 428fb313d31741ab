#pragma once

#include "foundation/dbtl/rcptr.h"
#include "image/DImage.h"

#include <cstdint>

namespace dbtl {

// An image over memory that somebody else prepared (a locked texture level, a captured back
// buffer). The buffer may borrow (rcptr::Borrow): the holder then owns nothing.
class DImageHolder : public DImage {
 public:
  DImageHolder() = default;
  ~DImageHolder() override;

  // Takes the buffer (a reference is added, the previous buffer dropped) and the geometry; the
  // data pointer is used as it is, without alignment. Pitch 0 stands for the row bytes rounded
  // up to a multiple of 4. False, with nothing changed, for width or height 0, a kind above 7,
  // a buffer without memory, or a pitch smaller than one row of pixels (a blit would then run
  // each row into the next).
  bool Attach(const rcptr<uint8_t>& buffer, uint32_t width, uint32_t height, uint32_t pitch,
              uint32_t kind);
};

}  // namespace dbtl
