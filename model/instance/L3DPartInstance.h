#pragma once

#include "foundation/dbtl/rcptr.h"
#include "foundation/math/LMat.h"
#include "model/L3DModelTypes.h"
#include "model/L3DPartData.h"
#include "model/anim/L3DPoseCache.h"
#include "model/instance/L3DCollGroupInstance.h"
#include "model/instance/L3DInstanceOwner.h"
#include "render/L3DRendererVertex.h"
#include "render/device/L3DResources.h"
#include "render/device/L3DTexture.h"

#include <cstdint>
#include <memory>
#include <vector>

// Flags of a vertex set of a part instance.
enum : uint32_t {
  // The copy changed in this frame: the renderer draws from the copy, not from the buffer.
  L3D_PARTINST_MAT_DRAW_COPY = 0x01,
  L3D_PARTINST_MAT_UPLOAD = 0x02,          // the vertex buffer is out of date
  L3D_PARTINST_MAT_MORPHED = 0x04,         // positions and normals changed by morphing
  L3D_PARTINST_MAT_UV_CHANGED = 0x08,      // texture coordinates changed
  L3D_PARTINST_MAT_TEXANIM = 0x10,         // set with 0x01 by resident texture animation
  L3D_PARTINST_MAT_PACKED = 0x20,          // 72-byte vertices with three coordinate sets
};

// Transform flags.
enum : uint32_t {
  L3D_PARTINST_TRANSFORM_FIRST = 0x01,  // previous values take the new ones on the next update
  L3D_PARTINST_TRANSFORM_DIRTY = 0x02,  // must be evaluated again
};

// Vertex format of the 72-byte vertex sets.
inline constexpr uint32_t L3D_RENDERER_FVF_PACKED = 0x835E;

// One vertex set of a part instance.
struct L3D_PARTINST_MAT {
  uint32_t flags = 0;
  dbtl::rcptr<L3D_PARTDATA_MESH> mesh;
  dbtl::rcptr<L3D_RENDERER_VERTEX> vertices;  // the copy that animation edits
  uint32_t vertexCount = 0;
  uint32_t blendKind = 0;
  dbtl::rcptr<L3DVBuffer> vbuffer;  // null without vertex shaders
  dbtl::rcptr<L3DIBuffer> ibuffer;
  L3D_ANIMINST_MAT ownMaterial;
  L3D_ANIMINST_MAT* currentMaterial = nullptr;
  dbtl::rcptr<L3DTexture> currentTexture;
};

// The animated transform of a part root or a bone. Events that attach to it keep a pointer to
// position: the quaternion follows the three position vectors, so the block's layout is fixed.
struct L3D_PARTINST_TRANSFORM {
  uint32_t flags = 0;
  LMat* output = nullptr;  // the palette entry every update writes
  float position[3] = {};
  float previousPosition[3] = {};
  float deltaPosition[3] = {};
  float rotation[4] = {};
  float previousRotation[4] = {};
  float scale[3] = {};
  float previousScale[3] = {};
  uint32_t sphereCount = 0;
  dbtl::rcptr<L3D_COLLINST_SPHERE*> spheres;
  float pivot[3] = {};
  const L3D_ANIMINST_MOT* motion = nullptr;
  uint32_t keyIndex = 0;
  uint32_t framesLeft = 0;
  uint32_t keyFlags = 0;
  float localPosition[3] = {};  // the pose's position less the pivot
  // The local pose of this frame: a pose shared through the motion's pose cache (it keeps every
  // frame in a slot of its own, so the pose stays as long as the cache), ownPose, or the rest
  // pose. Read through the accessors below.
  const L3DKeyPose* pose = &l3dRestPose();
  std::unique_ptr<L3DKeyPose> ownPose;  // made on the first pose that cannot be shared
  LMat worldMatrix{};

  const float* localRotation() const { return pose->rotation; }
  const float* localScale() const { return pose->scale; }
  const LMat& localMatrix() const { return pose->matrix; }
};

struct L3D_PARTINST_BONE {
  dbtl::rcptr<L3D_PARTDATA_BONE> data;
  float pivot[3] = {};
  uint32_t matrixNumber = 0;  // 1-based palette index
  L3D_PARTINST_TRANSFORM transform;
  uint32_t childCount = 0;
  dbtl::rcptr<L3D_PARTINST_BONE> children;
};

struct L3D_PARTINST_MMAPENTRY {
  const L3D_PARTDATA_MMAPENTRY* entry = nullptr;
  // The vertex the entry moves; null when the entry names a vertex set or vertex the part does
  // not have, and then morphing skips the entry.
  L3D_RENDERER_VERTEX* vertex = nullptr;
  float positionStep[3] = {};
  float normalStep[3] = {};
};

struct L3D_PARTINST_MMAP {
  dbtl::rcptr<L3D_PARTDATA_MMAP> data;
  uint32_t entryCount = 0;
  dbtl::rcptr<L3D_PARTINST_MMAPENTRY> entries;
};

// The run-time state of one part of an object instance: copies of its vertex sets with their
// buffers and materials, the matrix palette the renderer skins with, the bone tree with one
// transform per bone and the morph-map bindings into the copies.
class L3DPartInstance {
 public:
  L3DPartInstance() = default;
  L3DPartInstance(const L3DPartInstance&) = delete;
  L3DPartInstance& operator=(const L3DPartInstance&) = delete;
  ~L3DPartInstance() { Clear(); }

  // Builds this empty instance for the part data; owner is an uncounted handle.
  void Create(const dbtl::rcptr<L3DInstanceOwner>& owner, const dbtl::rcptr<L3DPartData>& part);
  void Clear();

  // The first vertex set whose material has that name (ASCII case folded); fatal when none.
  dbtl::rcptr<L3D_PARTINST_MAT> GetMat(const char* text, uint32_t length) const;
  // The bone instance of that bone data, depth first; fatal when none.
  dbtl::rcptr<L3D_PARTINST_BONE> GetBone(const L3D_PARTDATA_BONE* bone) const;
  dbtl::rcptr<L3D_PARTINST_MMAP> GetMMap(const L3D_PARTDATA_MMAP* map) const;

  dbtl::rcptr<L3D_PARTINST_MAT> GetMatArray() const { return mats; }
  dbtl::rcptr<L3D_PARTINST_BONE> GetBoneArray() const { return bones; }
  dbtl::rcptr<LMat> GetMatrixArray() const { return palette; }

  // Key evaluation and the per-frame update of the transforms.
  // Local position, rotation, scale and matrix of key k at t in [0, 1).
  void _calcInterpolatedKey(uint32_t k, L3D_PARTINST_TRANSFORM& t, float at);
  // Advances transform t and the bones below it by n frames under the parent's world matrix
  // and rotation.
  void _UpdateTransform(L3D_PARTINST_TRANSFORM& t, uint32_t n, const LMat& parentWorld,
                        const float parentRotation[4], const dbtl::rcptr<L3D_PARTINST_BONE>& children,
                        uint32_t childCount);
  // Transform t alone (not the bones below it) by n frames under the parent's world matrix and
  // rotation.
  void _StepTransform(L3D_PARTINST_TRANSFORM& t, uint32_t n, const LMat& parentWorld,
                      const float parentRotation[4]);
  // One frame of the whole part: the same steps as _UpdateTransform on the root, over a flat
  // list of the transforms, each after its parent.
  void ForwardFrame(const LMat& parentWorld, const float parentRotation[4]);
  static void _ResetTransform(L3D_PARTINST_TRANSFORM& t);
  static void _ResetBones(const dbtl::rcptr<L3D_PARTINST_BONE>& bones, uint32_t count);
  static void _UnbindMotions(const dbtl::rcptr<L3D_PARTINST_BONE>& bones, uint32_t count);
  void _EvaluateTransforms(L3D_PARTINST_TRANSFORM& t, const dbtl::rcptr<L3D_PARTINST_BONE>& children,
                           uint32_t childCount);

  void _UploadVertices();
  void _RestoreVertices();
  void _RestoreUVs();
  void _Refresh();

  dbtl::rcptr<L3DInstanceOwner> owner;  // uncounted
  dbtl::rcptr<L3DPartData> data;
  uint32_t matCount = 0;
  dbtl::rcptr<L3D_PARTINST_MAT> mats;
  uint32_t boneCount = 0;
  dbtl::rcptr<L3D_PARTINST_BONE> bones;
  uint32_t mmapCount = 0;
  dbtl::rcptr<L3D_PARTINST_MMAP> mmaps;
  uint32_t paletteSize = 0;
  dbtl::rcptr<LMat> palette;
  L3D_PARTINST_TRANSFORM root;

 private:
  void _CreateMats();
  void _CreateBone(dbtl::rcptr<L3D_PARTINST_BONE>& level, uint32_t& count,
                   const dbtl::rcptr<L3D_PARTDATA_BONE>& boneData, uint32_t n);
  void _CreateMMaps();
  void _CreateMaterials();
  void _SetupTransform(L3D_PARTINST_TRANSFORM& transform, LMat* output,
                       const L3D_PARTINST_BONE* bone, const dbtl::rcptr<L3D_PARTINST_BONE>& children,
                       uint32_t childCount);
  void _BuildStepOrder();

  // The root and the bones in the order _UpdateTransform visits them, each with the index of
  // its parent's entry (-1 for the root). Built on the first frame after Create.
  struct TransformStep {
    L3D_PARTINST_TRANSFORM* transform;
    int32_t parent;
  };
  std::vector<TransformStep> m_steps;
};
