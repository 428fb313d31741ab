#pragma once

// The effect system of the renderer: it owns the effect definition (textures, images, models),
// the loaded effect data sets and every playing effect with its running parts. Effects start
// with Play, run one frame per Task and are drawn by Draw, either batched straight to the device
// or as elements of the renderer's depth-sorted list. Game thread only.
//
// Roots, parts and trackers come from chunked pools with free stacks; the batch arrays and the
// depth-sort records are kept between frames, so a steady frame allocates nothing.

#include "foundation/dbtl/rcptr.h"
#include "foundation/math/LMat.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "model/effect/L3DEffectProp.h"
#include "model/effect/L3DEffectTypes.h"
#include "model/effect/L3DEffectWork.h"
#include "model/object/L3DModelServices.h"
#include "render/L3DRendererLinks.h"
#include "render/L3DRendererVertex.h"
#include "render/L3DZsdList.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class L3DRenderer;
class LSeManager;
struct L3DRandom;

// Told of every batch the manager draws (before the device draws it); the effect-run tool
// prints them.
class L3DEffectDrawObserver {
 public:
  virtual ~L3DEffectDrawObserver() = default;
  virtual void OnDraw(const L3D_EFFECT_BATCHKEY& key, const L3D_RENDERER_VERTEX* vertices,
                      uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount) = 0;
};

// One part's depth-sort record: the element handed to the renderer and the vertices it names.
struct _L3D_EFFECT_ZSDPART {
  L3D_RENDERER_ZSD_ELEMENTDESC element;
  const L3D_EFFECT_BATCHKEY* key = nullptr;
  std::vector<L3D_RENDERER_VERTEX> vertices;
};

class L3DEffectManager final : public L3DEffectManagerLink, public L3DEffectPlayer {
 public:
  L3DEffectManager();
  ~L3DEffectManager() override;
  L3DEffectManager(const L3DEffectManager&) = delete;
  L3DEffectManager& operator=(const L3DEffectManager&) = delete;

  // The renderer is borrowed: it owns the manager and outlives it.
  void Create(L3DRenderer* renderer);
  void Release();

  // The renderer's sound-effect manager (null: sound events play nothing).
  void SetSeManager(LSeManager* seManager) { m_se = seManager; }
  // Loads the definition's textures; the renderer's LoadTexture when never set.
  void SetTextureLoader(L3DEffectTextureLoader loader) { m_textures = std::move(loader); }
  void SetDrawObserver(L3DEffectDrawObserver* observer) { m_observer = observer; }

  void SetProp(int32_t pack, const char* name);
  // nnid is the resource name's number (pointer-sized: the renderer's names are addresses).
  L3D_EFFECT_DATA* LoadData(uintptr_t nnid, int32_t pack, const char* name);
  // The system set (the first loaded), or empty.
  dbtl::rcptr<L3D_EFFECT_DATA> GetFirstData() override;
  dbtl::rcptr<L3D_EFFECT_DATA> FindData(uintptr_t nnid) const;
  void SetDataSeGroups(L3D_EFFECT_DATA* data, const LSeGroupList& groups);

  void Play(const L3D_EFFECT_DATA* data, uint32_t number, uint32_t delay, int32_t life,
            const LVec3& position, const LQuat& rotation, const LVec3& scale, L3DPoolRef tag,
            const void* key, const float* attach, const float* trailA, const float* trailB);
  // The same, with a shared set that the effect keeps alive while it plays.
  void Play(const dbtl::rcptr<L3D_EFFECT_DATA>& data, uint32_t number, uint32_t delay,
            int32_t life, const LVec3& position, const LQuat& rotation, const LVec3& scale,
            L3DPoolRef tag, const void* key, const float* attach, const float* trailA,
            const float* trailB);
  void PlayAttached(const float* attach, const void* key, const L3D_EFFECT_DATA* data,
                    uint32_t number, int32_t life, const LVec3& position, const LQuat& rotation,
                    const LVec3& scale);
  void StopKey(const void* key) override;
  void StopAll();
  void Task();
  void Draw(bool zsorted);

  // L3DEffectManagerLink.
  bool HasPlayingRoot() const override { return m_playing != nullptr; }
  void FreeFirstPlayingRoot() override { _FreeWorkRoot(m_playing); }

  // L3DEffectPlayer (the object instances' view).
  void Play(const L3DEffectPlayRequest& request) override;
  dbtl::rcptr<L3D_EFFECT_DATA> FindData(const L3D_RENDERER_NNID* nnid) override;
  void LoadData(L3D_RENDERER_NNID* nnid, int32_t pack, const char* name) override;

  // State read by the engines, the tool and the tests.
  uint32_t GetFrameFlags() const { return m_frameFlags; }
  L3D_EFFECT_WORKROOT* GetPlaying() const { return m_playing; }
  const L3DEffectProp& GetProp() const { return m_prop; }
  uint32_t GetKeyCount() const { return static_cast<uint32_t>(m_keys.size()); }
  const L3D_EFFECT_KEY& GetKey(uint32_t index) const { return m_keys[index]; }
  L3DRenderer* GetRenderer() const { return m_renderer; }

  // Part timeline.
  bool _InitWorkPart(L3D_EFFECT_WORKPART* part, L3D_EFFECT_WORKROOT* root,
                     const L3D_EFFECT_PARTDATA* data, int32_t basePriority);
  L3D_EFFECT_WORKPART* _AllocWorkPart(L3D_EFFECT_WORKROOT* root, const L3D_EFFECT_PARTDATA* data,
                                      int32_t basePriority);
  void _FreeWorkPart(L3D_EFFECT_WORKPART* part);
  void _InsertDrawPart(L3D_EFFECT_WORKPART* part, int32_t priority);
  bool _TaskPart(L3D_EFFECT_WORKPART* part);
  void _FreeWorkRoot(L3D_EFFECT_WORKROOT* root);

  // Drawing. The builders append the part's vertices (view space) to vertices and return the
  // first appended vertex, the index count and the indices (relative to that vertex); false when
  // the part draws nothing.
  bool _BuildPartVertex(const LMat& view, uint32_t& indexCount,
                        std::vector<L3D_RENDERER_VERTEX>& vertices, uint32_t& firstVertex,
                        const uint16_t*& indices, const L3D_EFFECT_WORKPART& part,
                        const L3D_EFFECT_IMAGE& image) const;
  void _FlushBatch(const L3D_RENDERER_VERTEX* vertices, uint32_t vertexCount,
                   const uint16_t* indices, uint32_t indexCount, const L3D_EFFECT_BATCHKEY& key);
  // The depth-sorted list's draw callback; the context is the batch key.
  static void _FlushZsd(L3DRenderer* renderer, const L3D_RENDERER_VERTEX* vertices,
                        uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                        void* context);

 private:
  void _ReleaseAll();
  void _Play(const L3D_EFFECT_DATA* data, const dbtl::rcptr<L3D_EFFECT_DATA>& shared,
             uint32_t number, uint32_t delay, int32_t life, const LVec3& position,
             const LQuat& rotation, const LVec3& scale, L3DPoolRef tag, const void* key,
             const float* attach, const float* trailA, const float* trailB);
  L3D_EFFECT_WORKROOT* _AllocWorkRoot();
  L3D_EFFECT_TRACKER* _AllocTracker();
  void _UnlinkKey(L3D_EFFECT_WORKROOT* root);
  struct StepState;
  void _RunEvent(L3D_EFFECT_WORKPART* part, const L3D_EFFECT_EVENT& event, uint32_t index,
                 StepState& step);
  void _RandomTurn(L3D_EFFECT_WORKPART* part, const LVec3& axisBase, const LVec3& axisRange,
                   float angleBase, float angleRange, bool velocity);
  void _TrailUpdate(L3D_EFFECT_WORKPART* part);
  bool _BuildTrail(const LMat& view, std::vector<L3D_RENDERER_VERTEX>& vertices,
                   uint32_t& indexCount, const L3D_EFFECT_WORKPART& part,
                   const L3D_EFFECT_IMAGE& image) const;
  void _DrawBatched();
  void _DrawZsorted();
  L3DRandom& _Random();

  L3DRenderer* m_renderer = nullptr;
  LSeManager* m_se = nullptr;
  L3DEffectTextureLoader m_textures;
  L3DEffectDrawObserver* m_observer = nullptr;
  int32_t m_pack = 0;
  std::string m_name;
  L3DEffectProp m_prop;
  std::vector<dbtl::rcptr<L3D_EFFECT_DATA>> m_sets;
  L3D_EFFECT_WORKROOT* m_playing = nullptr;

  std::vector<std::unique_ptr<L3D_EFFECT_WORKPART[]>> m_partChunks;
  std::vector<L3D_EFFECT_WORKPART*> m_freeParts;
  std::vector<std::unique_ptr<L3D_EFFECT_WORKROOT[]>> m_rootChunks;
  std::vector<L3D_EFFECT_WORKROOT*> m_freeRoots;
  std::vector<L3D_EFFECT_KEY> m_keys;
  std::vector<std::unique_ptr<L3D_EFFECT_TRACKER[]>> m_trackerChunks;
  std::vector<L3D_EFFECT_TRACKER*> m_freeTrackers;

  uint32_t m_frameFlags = 0;
  uint32_t m_spawnDepth = 0;

  std::vector<std::unique_ptr<_L3D_EFFECT_ZSDPART[]>> m_zsdChunks;
  std::vector<_L3D_EFFECT_ZSDPART*> m_zsdRecords;
  std::vector<L3D_RENDERER_VERTEX> m_batchVertices;
  std::vector<uint16_t> m_batchIndices;
};

// The byte of a colour channel: clamped to 0 .. 1, then rounded.
uint32_t l3dEffectColourByte(float channel);
