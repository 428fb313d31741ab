#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DString.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Readers of position-scrambled data files (3D models, effects, shaders): every stored byte is
// combined by exclusive-or with the low eight bits of its position in the file's window, and
// values are little-endian. Each read descrambles exactly the bytes it returns by their own
// positions, so a reader may seek anywhere and read any field.
//
// A position that cannot be read, a short read, and stored lengths or pointers that do not fit
// the data are fatal errors (lerrFatal).

// Reads n bytes; returns n.
size_t lfmReadScrambled(void* bytes, size_t n, dbtl::DFile& file);
uint32_t lfmReadScrambledU32(dbtl::DFile& file);
float lfmReadScrambledFloat(dbtl::DFile& file);
uint8_t lfmReadScrambledU8(dbtl::DFile& file);
// A u32 byte count n and n bytes; the string ends at the first NUL among them. A count larger
// than the bytes left in the file is refused before anything is allocated.
void lfmReadScrambledString(dbtl::DFile& file, dbtl::DString& string);

// A pointer stored by the 32-bit writer inside a data block, relocated onto the block as it is
// loaded now.
struct LfmPointer {
  void* pointer;  // null for a stored null pointer
  uint32_t count;
};

// Reads three u32 values: the stored pointer, the stored base of its block, and an element
// count. A stored pointer of 0 gives (null, 0). Otherwise the pointer becomes base plus the
// 32-bit offset (stored pointer - stored base); the count elements of elementSize bytes from
// there must lie inside the block of blockSize bytes at base and the pointer must be aligned to
// alignment, else the read is fatal.
LfmPointer lfmReadScrambledPointer(dbtl::DFile& file, void* base, size_t blockSize,
                                   size_t elementSize, size_t alignment);

// The relocation behind lfmReadScrambledPointer, on the three values already read: (null, 0)
// for a stored null pointer, nothing when the elements would leave the block or the pointer
// would be misaligned.
std::optional<LfmPointer> lfmRelocatePointer(uint32_t stored, uint32_t storedBase, uint32_t count,
                                             void* base, size_t blockSize, size_t elementSize,
                                             size_t alignment);

// The typed form: elements of T inside a block of blockSize bytes.
template <class T>
T* lfmReadScrambledPointer(dbtl::DFile& file, void* base, size_t blockSize, uint32_t* count) {
  const LfmPointer p = lfmReadScrambledPointer(file, base, blockSize, sizeof(T), alignof(T));
  if (count != nullptr) *count = p.count;
  return static_cast<T*>(p.pointer);
}
