#pragma once

#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

// A rectangle of pixels of one kind (DImageKind.h), stored row by row `pitch` bytes apart in
// reference-counted memory. The memory lives as long as some rcptr holds it; images themselves
// are passed by reference and not copied.
//
// Every pixel walk takes row 0 from GetBits and moves between rows only with AdvanceRows and
// NextRow, so the same code walks top-down images and DImageReverse (rows bottom-up). Code that
// treats the memory as one block takes GetBuffer and steps by the pitch.
class DImage : public DObject {
 public:
  DImage() = default;
  ~DImage() override;
  DImage(const DImage&) = delete;
  DImage& operator=(const DImage&) = delete;

  // True when the image has the requested geometry afterwards. Pitch 0 stands for the row
  // bytes rounded up to a multiple of 4. On an image that holds memory only a request with the
  // same height and pitch succeeds: the memory is then re-typed in place (width and kind change,
  // no byte is touched); anything else needs Release first. A refused request (width or height
  // 0, kind above 7, pitch below a row, sizes that overflow 32 bits) leaves the image as it
  // was. New memory is 16-byte aligned and not cleared; exhausted memory throws std::bad_alloc.
  virtual bool Create(uint32_t width, uint32_t height, uint32_t pitch, uint32_t kind);
  virtual bool CreateDefaultPitch(uint32_t width, uint32_t height, uint32_t kind);
  // False when the image holds no memory. Clears the geometry; the kind keeps its value.
  virtual bool Release();

  virtual uint32_t GetWidth() const { return m_width; }
  virtual uint32_t GetHeight() const { return m_height; }
  virtual uint32_t GetPitch() const { return m_pitch; }
  virtual uint32_t GetBitsPerPixel() const { return m_bitsPerPixel; }
  virtual uint32_t GetBytesPerPixel() const { return m_bytesPerPixel; }
  virtual uint32_t GetKind() const { return m_kind; }

  // Row addressing; DImageReverse runs the rows the other way.
  virtual uint8_t* OffsetPixel(uint8_t* pointer, ptrdiff_t x, ptrdiff_t y) const;
  virtual uint8_t* GetPixelAddress(ptrdiff_t x, ptrdiff_t y) const;
  virtual uint8_t* AdvanceRows(uint8_t* pointer, ptrdiff_t n) const;
  virtual uint8_t* NextRow(uint8_t* pointer) const;

  // The first pixel of row 0 (null for an image without memory).
  virtual uint8_t* GetBits() const;
  // The lowest address of the pixel memory (null for an image without memory).
  virtual uint8_t* GetBuffer() const { return m_buffer.Get(); }
  uint8_t* Bits() const { return GetBits(); }
  uint8_t* Buffer() const { return GetBuffer(); }

  // Called by the blit dispatchers on both images after each blit; does nothing.
  virtual void EndAccess() const {}

 protected:
  // Takes the buffer and the geometry; the data pointer is the buffer's object pointer.
  void Adopt(const rcptr<uint8_t>& buffer, uint32_t width, uint32_t height, uint32_t pitch,
             uint32_t kind);

  // Bytes from the data pointer to row y, in memory order.
  ptrdiff_t RowOffset(ptrdiff_t y) const { return y * static_cast<ptrdiff_t>(m_pitch); }
  ptrdiff_t ColumnOffset(ptrdiff_t x) const { return x * static_cast<ptrdiff_t>(m_bytesPerPixel); }

  rcptr<uint8_t> m_buffer;
  uint32_t m_width = 0;
  uint32_t m_height = 0;
  uint32_t m_pitch = 0;
  uint32_t m_bitsPerPixel = 0;
  uint32_t m_bytesPerPixel = 0;
  uint32_t m_kind = 0;
};

}  // namespace dbtl
