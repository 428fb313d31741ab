#pragma once

#include "foundation/bytes/Parsed.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DString.h"
#include "foundation/dbtl/rcptr.h"
#include "model/L3DAnimData.h"
#include "model/L3DGroupData.h"
#include "model/L3DObjDataEvent.h"
#include "model/L3DPartData.h"
#include "render/L3DShaderOpt.h"

#include <cstddef>
#include <cstdint>

class L3DModelReader;
struct L3DPool;

// Highest model file version read.
inline constexpr uint32_t L3D_OBJDATA_VERSION_MAX = 16;
inline constexpr uint32_t L3D_OBJDATA_MAGIC = 0x4F44334C;  // "L3DO"

// One loaded model, shared read-only by every instance made from it (only the lazy vertex-set
// compilation of old parts writes into it once). Always held through handles; groups and
// animations point back at it without a reference, so no cycle keeps it alive.
// The messages of the numbered look-ups, shared by the fatal look-ups below and the file
// readers, which report the same failure as a parse error.
inline constexpr char16_t L3D_MSG_NO_PART[] =
    u"[L3DObjectData::GetPartDataFromNumber] 指定された番号のパーツは存在しない";
inline constexpr char16_t L3D_MSG_NO_BONE[] =
    u"[L3DObjectData::GetPartBoneDataFromNumber] 指定された番号のボーンは存在しない";
inline constexpr char16_t L3D_MSG_NO_PART_GROUP[] =
    u"[L3DObjectData::GetPartGroupDataFromNumber] 指定された番号のパーツグループは存在しない";

class L3DObjectData {
 public:
  L3DObjectData() = default;
  L3DObjectData(const L3DObjectData&) = delete;
  L3DObjectData& operator=(const L3DObjectData&) = delete;
  ~L3DObjectData() { Clear(); }

  void Clear();

  // Reads a whole model file from the file's current position into this empty object. Every
  // failure is fatal (LExceptGame), so no caller ever sees a half-read model.
  void Load(dbtl::DFile& file);
  // The same over the descrambled bytes of a file; name is the file's name for messages.
  void Load(const uint8_t* bytes, size_t size, const char* name);
  // The parser behind both: the game's message and the byte offset for a broken file, which
  // Load raises as the fatal error. After a failure the object is half filled and is only fit
  // for Clear or destruction.
  Parsed<> Parse(const uint8_t* bytes, size_t size, const char* name);

  // Each empties the list and appends the records read; pool is the owning record's name pool.
  static void _LoadShader(dbtl::DList<L3D_RENDERER_SHADEROPT>& list, L3DModelReader& reader,
                          const L3DPool& pool, uint32_t version);
  static void _LoadTexArea(dbtl::DList<L3D_OBJDATA_TEXAREA>& list, L3DModelReader& reader,
                           const L3DPool& pool, uint32_t version);
  static void _LoadEvent(dbtl::DList<L3D_OBJDATA_EVENT>& list, L3DModelReader& reader,
                         const L3DPool& pool, uint32_t version);

  // Numbers are 1-based, 0 giving an empty handle; a number beyond the list is fatal.
  dbtl::rcptr<L3DPartData> GetPartDataFromNumber(uint32_t number);
  // The n-th bone of the part's tree in pre-order; an empty part or 0 gives an empty handle.
  dbtl::rcptr<L3D_PARTDATA_BONE> GetPartBoneDataFromNumber(const dbtl::rcptr<L3DPartData>& part,
                                                           uint32_t number);
  dbtl::rcptr<L3DPartGroupData> GetPartGroupDataFromNumber(uint32_t number);
  // The listed element that is the same object; fatal when none is.
  dbtl::rcptr<L3DPartData> GetValidPartData(const dbtl::rcptr<L3DPartData>& part);
  dbtl::rcptr<L3DAnimData> GetValidAnimData(const dbtl::rcptr<L3DAnimData>& anim);
  // The first part with that name (ASCII case folded); empty when none has it.
  dbtl::rcptr<L3DPartData> GetPartDataByName(const char* text, uint32_t length);

  dbtl::DString name;
  dbtl::DString namePool;
  dbtl::DList<L3DPartData> parts;
  dbtl::DList<L3DPartGroupData> partGroups;
  dbtl::DList<L3DCollGroupData> collGroups;
  dbtl::DList<L3DAnimData> anims;
  dbtl::DList<L3D_RENDERER_SHADEROPT> shaderOptions;
  dbtl::DList<L3D_OBJDATA_TEXAREA> texAreas;
  dbtl::DList<L3D_OBJDATA_EVENT> events;

 private:
  void _LoadBody(L3DModelReader& reader);
};
