#pragma once

#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"

#include <cstdint>

namespace dbtl {

// A growable 8-bit string (code page 932 bytes) over reference-counted storage that grows in
// 32-byte steps and never shrinks.
//
// GetString hands out the buffer itself with a reference added, so a holder keeps the text
// without a copy. The string never writes into a buffer that someone else still holds: it
// moves to a private copy first, so a text handed out stays as it was.
class DString : public DObject {
 public:
  DString() = default;
  explicit DString(const char* text) { Assign(text); }
  // Copies share the buffer until either side changes.
  DString(const DString& other) = default;
  DString& operator=(const DString& other) = default;
  ~DString() override;

  // Makes the capacity at least n rounded up to a multiple of 32.
  void Reserve(uint32_t n);
  // Replaces the content. A null or empty text empties the string without making a buffer.
  void Assign(const char* text);
  // Appends a text; a null text does nothing.
  void Append(const char* text);

  // The content as a text reference: the buffer with a reference added, or a borrowed ""
  // when the string has no buffer.
  rcptr<char> GetString() const;
  // The content for reading; "" when the string has no buffer.
  const char* GetText() const;
  // True when the content equals the text byte for byte (null equals empty).
  bool Equals(const char* text) const;

  // The buffer for writing in place after a Reserve (private to this string from now on), or
  // null when there is none. Call _UpdateLength after writing.
  char* GetBuffer();
  // Sets the length to the bytes before the buffer's first NUL. A buffer filled without a
  // terminator is cut to its capacity minus one.
  void _UpdateLength();

  uint32_t GetLength() const { return m_length; }
  uint32_t GetCapacity() const { return m_capacity; }

 private:
  // Makes sure the buffer holds at least needed bytes and belongs to this string alone.
  void _PrepareWrite(uint32_t needed);
  void _Reallocate(uint32_t capacity);
  bool _Holds(const char* text) const;

  rcptr<char> m_buffer;
  uint32_t m_capacity = 0;
  uint32_t m_length = 0;
};

}  // namespace dbtl
