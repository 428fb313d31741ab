// The model file as a whole: header, object-level records, then parts, groups and animations,
// with the blocks of old versions read through and dropped.

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrParsed.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"
#include "model/L3DObjectData.h"
#include "model/file/L3DLegacyBlocks.h"
#include "model/file/L3DModelReader.h"

#include <vector>

namespace {

constexpr uint64_t kMinPartBytes = 36;
constexpr uint64_t kMinGroupBytes = 8;
constexpr uint64_t kMinCollBytes = 20;
constexpr uint64_t kMinAnimBytes = 40;

// The part, group, collision-group and animation counts are signed in the file: a negative
// count reads no records, as zero does.
uint32_t recordCount(L3DModelReader& r, uint64_t minRecordBytes) {
  const uint32_t count = r.U32();
  if (static_cast<int32_t>(count) <= 0) return 0;
  r.CheckFits(count, minRecordBytes);
  return count;
}

}  // namespace

void L3DObjectData::Load(dbtl::DFile& file) {
  // The whole rest of the file is read and descrambled at once, then parsed from memory.
  const std::vector<uint8_t> bytes = l3dReadDescrambledRest(file);
  Load(bytes.data(), bytes.size(), file.GetPath());
}

void L3DObjectData::Load(const uint8_t* bytes, size_t size, const char* fileName) {
  lerrFatalIfFailed(Parse(bytes, size, fileName));
}

Parsed<> L3DObjectData::Parse(const uint8_t* bytes, size_t size, const char* fileName) {
  return parseCatching<std::monostate>([&] {
    L3DModelReader reader(bytes, size, fileName);
    _LoadBody(reader);
  });
}

void L3DObjectData::_LoadBody(L3DModelReader& r) {
  if (r.U32() != L3D_OBJDATA_MAGIC) {
    r.Fail(lerrText(u"[L3DObjectData::Load] ファイルの形式がおかしい"));
  }
  const uint32_t version = r.U32();
  l3dCheckVersion(version, "L3DObjectData::Load", r);
  r.String(name);
  const L3DPool pool = l3dPoolOf(namePool, r.Pool(namePool));
  if (version == 0) r.U32();

  _LoadShader(shaderOptions, r, pool, version);
  _LoadTexArea(texAreas, r, pool, version);
  _LoadEvent(events, r, pool, version);

  const dbtl::rcptr<L3DObjectData> self = dbtl::rcptr<L3DObjectData>::Borrow(this);
  l3dReadArray(parts, recordCount(r, kMinPartBytes),
            [&](L3DPartData& part) { part._Load(r, version); });
  l3dReadArray(partGroups, recordCount(r, kMinGroupBytes),
            [&](L3DPartGroupData& group) { group._Load(self, r, version); });
  if (version >= 4) {
    l3dReadArray(collGroups, recordCount(r, kMinCollBytes),
              [&](L3DCollGroupData& group) { group._Load(self, r, version); });
  } else {
    collGroups.Clear();
    l3dSkipLegacyCollisions(r);
  }
  if (version == 6) l3dSkipLegacyVersion6(r);
  if (version <= 6) l3dSkipLegacyMotions(r);
  l3dReadArray(anims, recordCount(r, kMinAnimBytes),
            [&](L3DAnimData& anim) { anim._Load(self, r, version); });
}
