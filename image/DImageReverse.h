#pragma once

#include "image/DImage.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

// An image whose rows run bottom-up in memory: row y lies at data + (height - 1 - y) × pitch,
// and a row step goes back by the pitch. GetBuffer still returns the data pointer, so the
// memory read from there in memory order holds the last row first, as a BMP file stores it.
class DImageReverse : public DImage {
 public:
  uint8_t* OffsetPixel(uint8_t* pointer, ptrdiff_t x, ptrdiff_t y) const override;
  uint8_t* GetPixelAddress(ptrdiff_t x, ptrdiff_t y) const override;
  uint8_t* AdvanceRows(uint8_t* pointer, ptrdiff_t n) const override;
  uint8_t* NextRow(uint8_t* pointer) const override;
  uint8_t* GetBits() const override;
};

}  // namespace dbtl
