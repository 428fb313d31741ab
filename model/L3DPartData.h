#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DString.h"
#include "foundation/dbtl/rcptr.h"
#include "model/L3DModelTypes.h"
#include "render/L3DRendererVertex.h"
#include "render/L3DShaderOpt.h"

#include <cstdint>

class L3DModelReader;

struct L3DPartCorner {
  uint32_t pointIndex = 0;
  uint32_t normalIndex = 0;
  uint32_t colourIndex = 0;
  uint32_t uvIndex = 0;
};

struct L3DPartExtraUV {
  uint32_t uvIndex2 = 0;
  uint32_t uvIndex3 = 0;
};

struct L3DPartUV {
  float u = 0.0f;
  float v = 0.0f;
};

// Material flag: the pivot was computed on load (files without a stored pivot).
inline constexpr uint32_t L3D_PARTDATA_MAT_PIVOT_COMPUTED = 2;
// Direct3D primitive type of a triangle list, the only one models use for materials.
inline constexpr uint32_t L3D_PRIMITIVE_TRIANGLELIST = 4;

// One material of a part in its editing form: corners that index the part's shared arrays.
struct L3D_PARTDATA_MAT {
  L3DFixedName name;
  uint32_t flags = 0;
  L3DFixedName textureName;
  uint32_t primitiveType = 0;
  uint32_t primitiveCount = 0;
  uint32_t indexCount = 0;
  dbtl::rcptr<uint32_t> indices;
  uint32_t cornerCount = 0;
  dbtl::rcptr<L3DPartCorner> corners;
  // cornerCount elements, or empty.
  dbtl::rcptr<L3DPartExtraUV> extraUVs;
  uint32_t pointCount = 0;
  dbtl::rcptr<LVec3> points;
  uint32_t normalCount = 0;
  dbtl::rcptr<LVec3> normals;
  LVec3 pivot;
};

// One entry of a map. A bone-weight entry is {materialIndex, cornerIndex, weight, 20 unread
// bytes}; a morph entry is {vertexSetIndex, vertexIndex, position, normal}. Both are 32 bytes
// and share this record.
struct L3D_PARTDATA_MMAPENTRY {
  uint32_t index0 = 0;  // materialIndex or vertexSetIndex (0-based)
  uint32_t index1 = 0;  // cornerIndex or vertexIndex
  float values[6] = {};

  float Weight() const { return values[0]; }
  LVec3 Position() const { return {values[0], values[1], values[2]}; }
  LVec3 Normal() const { return {values[3], values[4], values[5]}; }
};
static_assert(sizeof(L3D_PARTDATA_MMAPENTRY) == 32);

struct L3D_PARTDATA_MMAP {
  L3DFixedName name;
  uint32_t entryCount = 0;
  dbtl::rcptr<L3D_PARTDATA_MMAPENTRY> entries;
};

// Bone flag: the bone turns about secondPivot instead of pivot.
inline constexpr uint32_t L3D_PARTDATA_BONE_SECOND_PIVOT = 1;

struct L3D_PARTDATA_BONE {
  L3DFixedName name;
  L3DFixedName weightMapName;
  LVec3 pivot;
  LVec3 secondPivot;
  uint32_t flags = 0;
  uint32_t childCount = 0;
  dbtl::rcptr<L3D_PARTDATA_BONE> children;
};

// One run-time vertex set: what the renderer draws for one material.
struct L3D_PARTDATA_MESH {
  const L3D_PARTDATA_MAT* material = nullptr;
  L3D_RENDERER_VERTEXLIST vertices;
  // vertices.count elements, or empty.
  dbtl::rcptr<L3D_RENDERER_PACKEDVERTEX> packedVertices;
  dbtl::rcptr<uint8_t> indices;  // 16-bit indices
  uint32_t indexBytes = 0;
  uint32_t primitiveType = 0;
  uint32_t primitiveCount = 0;
  // Slot s (1-based) of a vertex stands for the matrix number palette[s - 1].
  uint32_t paletteCount = 0;
  dbtl::rcptr<uint32_t> palette;
};

// One part of a model. Bones are numbered from 1 in depth-first pre-order (a bone before its
// children, siblings in order); the matrix list holds them in that order, so a bone's matrix
// number is its bone number and matrix number 0 stands for the part root.
inline constexpr char16_t L3D_MSG_NO_MORPH_MAP[] =
    u"[L3DPartData::GetMmapDataFromNumber] 指定された番号のモーフマップが見つからない";
inline constexpr char16_t L3D_MSG_PIVOT_PRIMITIVE[] =
    u"[L3DPartData::CalcMatPivot] この形式に対応していない";

class L3DPartData {
 public:
  L3DPartData() = default;
  L3DPartData(const L3DPartData&) = delete;
  L3DPartData& operator=(const L3DPartData&) = delete;
  ~L3DPartData() { Clear(); }

  void Clear();

  // Reads one part record of a model file of the given version.
  void _Load(L3DModelReader& reader, uint32_t version);
  // Reads a bone list into children / count; depth counts the levels above it.
  void _LoadBone(dbtl::rcptr<L3D_PARTDATA_BONE>& children, uint32_t& count,
                 L3DModelReader& reader, uint32_t version, uint32_t depth = 0);

  // 0 gives an empty handle; 1 to morphMapCount that morph map; anything larger is fatal
  // (L3D_MSG_NO_MORPH_MAP).
  dbtl::rcptr<L3D_PARTDATA_MMAP> GetMmapDataFromNumber(uint32_t number) const;
  // The first bone in pre-order whose name matches; empty for an empty text or no match.
  dbtl::rcptr<L3D_PARTDATA_BONE> GetBoneByName(const char* text, uint32_t length) const;
  // The n-th bone in pre-order (1-based); empty when the tree has fewer bones.
  dbtl::rcptr<L3D_PARTDATA_BONE> _GetBoneByNumber(uint32_t number) const;
  // The bone-weight map named by the bone's weightMapName; empty when that name is empty or
  // no map has it.
  dbtl::rcptr<L3D_PARTDATA_MMAP> GetWeightMap(const L3D_PARTDATA_BONE& bone) const;
  // Bones in the tree.
  uint32_t _CountBones() const;

  dbtl::rcptr<uint32_t> GetColorArray() const { return colours; }
  dbtl::rcptr<L3D_PARTDATA_MAT> GetMatArray() const { return mats; }
  dbtl::rcptr<L3D_PARTDATA_MMAP> GetMorphMapArray() const { return morphMaps; }
  dbtl::rcptr<L3D_PARTDATA_BONE> GetBoneArray() const { return bones; }
  dbtl::rcptr<L3D_PARTDATA_BONE*> GetMatrixBoneArray() const { return matrixBones; }
  dbtl::rcptr<L3D_PARTDATA_MESH> GetMeshArray() const { return meshes; }

  // Builds the vertex sets of a part that has only materials (files below version 2).
  void CompileRuntime();
  // The centre of the bounding box of the material's points; fatal for a material that is not
  // a triangle list.
  static LVec3 CalcMatPivot(const L3D_PARTDATA_MAT& material);
  // Refills the matrix list with every bone in pre-order.
  void _BuildMatrixList();

  dbtl::DString name;
  dbtl::DString namePool;
  uint32_t colourCount = 0;
  dbtl::rcptr<uint32_t> colours;
  uint32_t uvCount = 0;
  dbtl::rcptr<L3DPartUV> uvs;
  uint32_t matCount = 0;
  dbtl::rcptr<L3D_PARTDATA_MAT> mats;
  uint32_t weightMapCount = 0;
  dbtl::rcptr<L3D_PARTDATA_MMAP> weightMaps;
  uint32_t morphMapCount = 0;
  dbtl::rcptr<L3D_PARTDATA_MMAP> morphMaps;
  uint32_t boneCount = 0;
  dbtl::rcptr<L3D_PARTDATA_BONE> bones;
  dbtl::DList<L3D_RENDERER_SHADEROPT> shaderOptions;
  uint32_t matrixCount = 0;
  dbtl::rcptr<L3D_PARTDATA_BONE*> matrixBones;
  uint32_t meshCount = 0;
  dbtl::rcptr<L3D_PARTDATA_MESH> meshes;
};
