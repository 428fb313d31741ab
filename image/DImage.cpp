#include "image/DImage.h"

#include "image/DImageKind.h"
#include "image/DimgGeometry.h"

#include <optional>

namespace dbtl {

DImage::~DImage() = default;

bool DImage::Create(uint32_t width, uint32_t height, uint32_t pitch, uint32_t kind) {
  if (height == 0) {
    return false;
  }
  const std::optional<DimgLayout> layout = DimgRowLayout(width, kind, pitch);
  if (!layout) {
    return false;
  }
  if (m_buffer && height == m_height && layout->pitch == m_pitch) {
    // Re-typing in place: the row still fits the pitch (DimgRowLayout checked it).
    m_width = width;
    m_bitsPerPixel = layout->bitsPerPixel;
    m_bytesPerPixel = layout->bytesPerPixel;
    m_kind = kind;
    return true;
  }
  if (m_buffer) {
    return false;
  }
  const std::optional<uint32_t> total = DimgAllocationBytes(height, layout->pitch);
  if (!total) {
    return false;
  }
  rcptr<uint8_t> block;
  block.Create(*total);
  // The pixels start at the next 16-byte boundary, a full 16 bytes on when the block already
  // is aligned; the 16 spare bytes of the block make room for that.
  const auto start = reinterpret_cast<uintptr_t>(block.Get());
  Adopt(block.Offset(static_cast<ptrdiff_t>(16 - start % 16)), width, height, layout->pitch, kind);
  return true;
}

bool DImage::CreateDefaultPitch(uint32_t width, uint32_t height, uint32_t kind) {
  return Create(width, height, 0, kind);
}

bool DImage::Release() {
  if (!m_buffer) {
    return false;
  }
  m_buffer.Reset();
  m_width = 0;
  m_height = 0;
  m_pitch = 0;
  m_bitsPerPixel = 0;
  m_bytesPerPixel = 0;
  return true;
}

uint8_t* DImage::OffsetPixel(uint8_t* pointer, ptrdiff_t x, ptrdiff_t y) const {
  return pointer + ColumnOffset(x) + RowOffset(y);
}

uint8_t* DImage::GetPixelAddress(ptrdiff_t x, ptrdiff_t y) const {
  uint8_t* data = m_buffer.Get();
  return data == nullptr ? nullptr : data + ColumnOffset(x) + RowOffset(y);
}

uint8_t* DImage::AdvanceRows(uint8_t* pointer, ptrdiff_t n) const {
  return pointer + RowOffset(n);
}

uint8_t* DImage::NextRow(uint8_t* pointer) const { return pointer + m_pitch; }

uint8_t* DImage::GetBits() const { return m_buffer.Get(); }

void DImage::Adopt(const rcptr<uint8_t>& buffer, uint32_t width, uint32_t height, uint32_t pitch,
                   uint32_t kind) {
  m_buffer = buffer;
  m_width = width;
  m_height = height;
  m_pitch = pitch;
  m_bitsPerPixel = DimgBitsPerPixel(kind);
  m_bytesPerPixel = DimgBytesPerPixel(kind);
  m_kind = kind;
}

}  // namespace dbtl
