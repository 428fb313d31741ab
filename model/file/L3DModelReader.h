#pragma once

#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/Parsed.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DString.h"
#include "model/L3DHandles.h"
#include "model/L3DModelTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class L3DObjectData;
class L3DPartData;
class L3DPartGroupData;
struct L3D_PARTDATA_BONE;
struct L3D_PARTDATA_MMAP;

// The character data of a name pool and its byte count. An empty pool reads as "" of size 0.
struct L3DPool {
  const char* data = "";
  uint32_t size = 0;
};

// A cursor over the descrambled bytes of a model or effect file (ByteReader with the
// model files' rules). Values are little-endian. Every read that would pass the end of the data
// fails with the short-read message of the scrambled readers, naming the file, so a parser
// never reads or allocates beyond what the file holds.
//
// A failure throws ParseError (Fail) with the game's message and the offset, which
// the parser's entry (L3DObjectData::Parse, l3dParseEffectProp, ...) turns back into a value:
// nothing here raises the fatal error.
class L3DModelReader {
 public:
  L3DModelReader(const uint8_t* data, size_t size, const char* fileName);

  // Ends the parse with the message, at the offset of the current read.
  [[noreturn]] void Fail(std::string message, std::string context = {}) const;

  uint32_t U32();
  uint8_t U8();
  float F32();
  LVec3 Vec3();
  LQuat Quat();
  void Block(void* out, size_t n);
  void Skip(size_t n);
  // Bytes that the next n reads take, after a check that they are there.
  const uint8_t* Take(size_t n);

  // u32 n and n bytes into a string; the bytes after a NUL stay in its buffer.
  void String(dbtl::DString& out);
  // A string that serves as a name pool; returns its stored byte count, which may exceed the
  // string's length when the pool holds NULs.
  uint32_t Pool(dbtl::DString& out);
  // u32 n and n bytes into a fixed field; n above 262 fails like a short read.
  void FixedName(L3DFixedName& out);
  // Three u32 {storedAddress, storedBase, length}; the text must lie inside the pool.
  L3DPoolRef PoolRef(const L3DPool& pool);

  // A u32 count of records that take at least minRecordBytes each; a count whose records
  // cannot fit in the bytes left fails like a short read, before anything is allocated.
  uint32_t Count(uint64_t minRecordBytes);
  // Checks that count records of minRecordBytes each can fit in the bytes left.
  void CheckFits(uint64_t count, uint64_t minRecordBytes);

  // The loaders' numbered look-ups (0 gives an empty handle): a number with nothing behind it
  // fails with the message of the object's own fatal look-up.
  dbtl::rcptr<L3DPartData> PartNumber(L3DObjectData& owner, uint32_t number);
  dbtl::rcptr<L3D_PARTDATA_BONE> BoneNumber(L3DObjectData& owner,
                                            const dbtl::rcptr<L3DPartData>& part, uint32_t number);
  dbtl::rcptr<L3DPartGroupData> PartGroupNumber(L3DObjectData& owner, uint32_t number);
  dbtl::rcptr<L3D_PARTDATA_MMAP> MorphMapNumber(const L3DPartData& part, uint32_t number);

  size_t Remaining() const { return m_bytes.left(); }
  size_t Position() const { return m_bytes.offset(); }
  const char* FileName() const { return m_fileName; }
  [[noreturn]] void FailRead() const;

 private:
  ByteReader m_bytes;
  const char* m_fileName;
};

// The rest of a scrambled file from its position on, descrambled (each byte by its own
// position), for a reader to parse from memory. The messages of the scrambled readers when the
// position or the bytes cannot be read.
std::vector<uint8_t> l3dReadDescrambledRest(dbtl::DFile& file);

// The pool of a record: its name pool's characters and stored size.
inline L3DPool l3dPoolOf(const dbtl::DString& pool, uint32_t size) {
  return size == 0 ? L3DPool{} : L3DPool{pool.GetText(), size};
}

// Fails unless the version is one the readers know; the message is "[reader] ...(%d)".
void l3dCheckVersion(uint32_t version, const char* reader, const L3DModelReader& r);

// Reads count records of T into one new array, in order, and appends a handle to each element
// to the emptied list (the handles share the array's count block).
template <class T, class Read>
void l3dReadArray(dbtl::DList<T>& list, uint32_t count, Read read) {
  list.Clear();
  dbtl::rcptr<T> array;
  array.Create(count);
  for (uint32_t i = 0; i < count; ++i) {
    read(array[i]);
    list.PushBack(l3dElement(array, i));
  }
}
