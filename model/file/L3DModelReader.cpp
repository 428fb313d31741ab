#include "model/file/L3DModelReader.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/lfm/lfmScrambled.h"
#include "model/L3DHandles.h"
#include "model/L3DObjectData.h"

#include <cstring>
#include <string>

L3DModelReader::L3DModelReader(const uint8_t* data, size_t size, const char* fileName)
    : m_bytes(data, size), m_fileName(fileName != nullptr ? fileName : "") {}

void L3DModelReader::Fail(std::string message, std::string context) const {
  throwParse(std::move(message), m_bytes.failOffset(), std::move(context));
}

void L3DModelReader::FailRead() const {
  Fail(lerrFormat(lerrText(u"ファイル \"%s\" を読み込めませんでした。").c_str(), m_fileName));
}

const uint8_t* L3DModelReader::Take(size_t n) {
  const std::span<const uint8_t> bytes = m_bytes.take(n);
  if (m_bytes.failed()) FailRead();
  return bytes.data();
}

uint32_t L3DModelReader::U32() {
  const uint32_t v = m_bytes.u32le();
  if (m_bytes.failed()) FailRead();
  return v;
}

uint8_t L3DModelReader::U8() { return *Take(1); }

float L3DModelReader::F32() {
  const float v = m_bytes.f32le();
  if (m_bytes.failed()) FailRead();
  return v;
}

LVec3 L3DModelReader::Vec3() {
  LVec3 v;
  v.x = F32();
  v.y = F32();
  v.z = F32();
  return v;
}

LQuat L3DModelReader::Quat() {
  LQuat q;
  q.x = F32();
  q.y = F32();
  q.z = F32();
  q.w = F32();
  return q;
}

void L3DModelReader::Block(void* out, size_t n) {
  if (n == 0) return;
  std::memcpy(out, Take(n), n);
}

void L3DModelReader::Skip(size_t n) { Take(n); }

uint32_t L3DModelReader::Pool(dbtl::DString& out) {
  const uint32_t n = U32();
  if (n == 0) {
    out.Assign("");
    return 0;
  }
  const uint8_t* bytes = Take(n);
  // The terminator needs one byte more than a u32 can count; Take has already made sure the
  // bytes exist, so n < UINT32_MAX only matters on a file of 4 GiB.
  if (n == UINT32_MAX) FailRead();
  out.Reserve(n + 1);
  char* buffer = out.GetBuffer();
  std::memcpy(buffer, bytes, n);
  buffer[n] = '\0';
  out._UpdateLength();
  return n;
}

void L3DModelReader::String(dbtl::DString& out) { Pool(out); }

void L3DModelReader::FixedName(L3DFixedName& out) {
  const uint32_t n = U32();
  if (n > L3DFixedName::kMaxLength) FailRead();
  std::memset(out.text, 0, sizeof out.text);
  Block(out.text, n);
  out.length = static_cast<uint32_t>(strnlen(out.text, n));
}

L3DPoolRef L3DModelReader::PoolRef(const L3DPool& pool) {
  const uint32_t stored = U32();
  const uint32_t storedBase = U32();
  const uint32_t length = U32();
  if (stored == 0) return {};
  // The writer stored 32-bit addresses; only their difference means anything here, and a
  // target before the pool wraps to a large offset that fails the range test.
  const uint64_t offset = static_cast<uint32_t>(stored - storedBase);
  if (offset + length > pool.size) {
    Fail(lerrFormat("[L3DObjectData::Load] name reference outside its name pool in \"%s\"",
                    m_fileName));
  }
  return {pool.data + offset, length};
}

void L3DModelReader::CheckFits(uint64_t count, uint64_t minRecordBytes) {
  if (!m_bytes.fits(count, minRecordBytes)) FailRead();
}

uint32_t L3DModelReader::Count(uint64_t minRecordBytes) {
  const uint32_t count = U32();
  CheckFits(count, minRecordBytes);
  return count;
}

dbtl::rcptr<L3DPartData> L3DModelReader::PartNumber(L3DObjectData& owner, uint32_t number) {
  if (number != 0 && !l3dListNth(owner.parts, number)) Fail(lerrText(L3D_MSG_NO_PART));
  return owner.GetPartDataFromNumber(number);
}

dbtl::rcptr<L3D_PARTDATA_BONE> L3DModelReader::BoneNumber(L3DObjectData& owner,
                                                          const dbtl::rcptr<L3DPartData>& part,
                                                          uint32_t number) {
  if (part && number != 0 && !part->_GetBoneByNumber(number)) Fail(lerrText(L3D_MSG_NO_BONE));
  return owner.GetPartBoneDataFromNumber(part, number);
}

dbtl::rcptr<L3DPartGroupData> L3DModelReader::PartGroupNumber(L3DObjectData& owner,
                                                              uint32_t number) {
  if (number != 0 && !l3dListNth(owner.partGroups, number)) {
    Fail(lerrText(L3D_MSG_NO_PART_GROUP));
  }
  return owner.GetPartGroupDataFromNumber(number);
}

dbtl::rcptr<L3D_PARTDATA_MMAP> L3DModelReader::MorphMapNumber(const L3DPartData& part,
                                                              uint32_t number) {
  if (number > part.morphMapCount) Fail(lerrText(L3D_MSG_NO_MORPH_MAP));
  return part.GetMmapDataFromNumber(number);
}

void l3dCheckVersion(uint32_t version, const char* reader, const L3DModelReader& r) {
  if (version > L3D_OBJDATA_VERSION_MAX) {
    const std::string format =
        std::string("[") + reader + "] " + lerrText(u"サポートしていないバージョン(%d)");
    r.Fail(lerrFormat(format.c_str(), static_cast<int>(version)));
  }
}

std::vector<uint8_t> l3dReadDescrambledRest(dbtl::DFile& file) {
  const int64_t position = file.Tell();
  const int64_t size = file.GetSize();
  if (position < 0) {
    lerrFatal(lerrText(u"ファイル \"%s\" の位置を取得できませんでした。").c_str(), file.GetPath());
  }
  if (size < position) {
    lerrFatal(lerrText(u"ファイル \"%s\" を読み込めませんでした。").c_str(), file.GetPath());
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size - position));
  lfmReadScrambled(bytes.data(), bytes.size(), file);
  return bytes;
}
