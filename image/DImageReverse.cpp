#include "image/DImageReverse.h"

namespace dbtl {

uint8_t* DImageReverse::OffsetPixel(uint8_t* pointer, ptrdiff_t x, ptrdiff_t y) const {
  return pointer + ColumnOffset(x) - RowOffset(y);
}

uint8_t* DImageReverse::GetPixelAddress(ptrdiff_t x, ptrdiff_t y) const {
  uint8_t* data = GetBuffer();
  if (data == nullptr) {
    return nullptr;
  }
  return data + ColumnOffset(x) + RowOffset(static_cast<ptrdiff_t>(m_height) - 1 - y);
}

uint8_t* DImageReverse::AdvanceRows(uint8_t* pointer, ptrdiff_t n) const {
  return pointer - RowOffset(n);
}

uint8_t* DImageReverse::NextRow(uint8_t* pointer) const { return pointer - m_pitch; }

// An image without memory has height 0; its row 0 is null rather than one row before null.
uint8_t* DImageReverse::GetBits() const {
  uint8_t* data = GetBuffer();
  if (data == nullptr) {
    return nullptr;
  }
  return data + RowOffset(static_cast<ptrdiff_t>(m_height) - 1);
}

}  // namespace dbtl
