#pragma once

// The 3D drawing service of the game library. One renderer exists at a time; the host builds a
// fresh one before the first engine and after every engine. It owns the shader set of the
// shader archive, the scene state every 3D draw uses (view and projection, light, fog), the
// sound-effect and effect managers of the running engine, the resource-name table, the list of
// live object instances and the depth-sorted list of transparent geometry.
//
// A constructed renderer is unusable until Create; every failure of Create is fatal.

#include "foundation/dbtl/DBuffer.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/rcptr.h"
#include "foundation/math/LMat.h"
#include "render/L3DDrawable.h"
#include "render/L3DInstanceRegistry.h"
#include "render/L3DRandom.h"
#include "render/L3DRendererFog.h"
#include "render/L3DRendererLinks.h"
#include "render/L3DRendererVertex.h"
#include "render/L3DShaderKind.h"
#include "render/L3DShaderOpt.h"
#include "render/L3DZsdList.h"
#include "render/LResManager.h"
#include "render/device/L3DResources.h"
#include "render/device/L3DTexture.h"

#include <cstdint>
#include <memory>
#include <vector>

class L3DDevice;
struct L3D_ANIMDATA_KEY;

constexpr uint32_t L3D_SHADER_MAX_BONES = 4;

// Cache flags: what SetViewProjection makes stale.
constexpr uint32_t L3D_RENDERER_CACHE_INV_VIEWPROJ = 0x1;
constexpr uint32_t L3D_RENDERER_CACHE_INV_PROJ = 0x2;
constexpr uint32_t L3D_RENDERER_CACHE_FRUSTUM = 0x4;

// One blended mesh waiting in the depth-sorted list until DrawZsd: copies of what the pass
// needs of its part and mesh.
struct _L3D_RENDERER_ALPHASHADER {
  const LMat* matrices = nullptr;
  uint32_t matrixCount = 0;
  L3D_RENDERER_DRAWMESH mesh;
  uint32_t flags = 0;
};

class L3DRenderer {
 public:
  // links builds the managers of the libraries above this one; it belongs to the host and
  // outlives the renderer. Without links the renderer has no managers and releases no instance.
  explicit L3DRenderer(L3DRendererLinks* links = nullptr);
  ~L3DRenderer();
  L3DRenderer(const L3DRenderer&) = delete;
  L3DRenderer& operator=(const L3DRenderer&) = delete;

  // Fills a constructed renderer from the open shader archive. device and sound are handles the
  // renderer copies (the host's hold no reference); an empty sound handle means no
  // sound-effect manager.
  void Create(const dbtl::rcptr<L3DDevice>& device, const dbtl::rcptr<dbtl::DsndManager>& sound,
              dbtl::DFile& shaderFile);
  void Release();

  // Stops every sound effect and frees every playing effect.
  void StopAll();

  void SetViewProjection(const LMat& view, const LMat& projection);
  void SetLightDirection(const float direction[3]);
  void SetFogColor(float red, float green, float blue);
  // Pre-built vertices drawn with one world x view x projection (a x b x c).
  void SetTransform(const LMat& a, const LMat& b, const LMat& c);
  // Binds the vertex shader of the kind for that many bones per vertex, in hardware vertex
  // processing when the device has vertex shaders and enough constant registers for them.
  void _SetVShader(uint32_t bones, uint32_t kind);
  // D3DRS_FOGENABLE and D3DRS_FOGCOLOR from the fog block.
  void _SetFogStates();

  // The texture registered under "%u/%s" of pack and path, loaded and registered when absent.
  void LoadTexture(dbtl::rcptr<L3DTexture>& out, int32_t pack, const char* path, bool mip);

  // Object instances. The two colours reach the meshes whose material is a default material.
  void DrawObjectInstance(L3DDrawable& instance, const float colourA[4], const float colourB[4],
                          uint32_t flags);
  void _DrawAnimMotionInstance(L3DDrawable& instance, uint32_t part, uint32_t flags);
  // Prepares the device for one pass of a mesh; false when there is no such pass.
  bool _SetShaderPass(uint32_t pass, const LMat* matrices, const L3D_RENDERER_DRAWMESH& mesh,
                      uint32_t flags);
  // View-space (by transform) positions of the vertices posed by the part's matrices into the
  // posed-vertex buffer (GetPosedVertices).
  void ProcessVertexPoses(const L3D_RENDERER_VERTEX* vertices, uint32_t vertexCount,
                          uint32_t bonesPerVertex, const uint32_t* bones, uint32_t boneCount,
                          const LMat* matrices, uint32_t matrixCount, const LMat& transform);
  const L3D_RENDERER_VERTEX* GetPosedVertices() const { return m_posed.GetData(); }
  // The part's matrices, transposed, as the passes send them.
  const LMat* GetPalette() const { return m_palette.GetData(); }
  uint32_t GetPaletteCount() const { return m_paletteCount; }
  // The option of every default material; DrawObjectInstance writes its colours.
  L3D_RENDERER_SHADEROPT_NORMAL& GetDefaultOption() { return m_defaultOption; }
  // y / x of the frustum's corner direction, and its reciprocal.
  float GetFrustumRatio();
  uint32_t GetAlphaRecordsInUse() const { return m_alphaUsed; }

  // Depth-sorted list of transparent geometry.
  void _RegistZsdElement(const L3D_RENDERER_ZSD_GROUPDESC& group);
  void RegistZsd(const float center[3], uint32_t vertexCount, const L3D_RENDERER_VERTEX* vertices,
                 const L3D_RENDERER_VERTEX* posed, const uint16_t* indices, uint32_t indexCount,
                 L3DZsdDrawFunc draw, void* context, uint32_t flags);
  void DrawZsd();

  // Instances and names.
  // A new object instance over the object data with the texture resolver, made by the host's
  // factory and listed in the renderer's instance list until it is released. Fatal without a
  // factory (a renderer made without links), for empty object data, and when the factory gives
  // no instance or one it did not list.
  dbtl::rcptr<L3DObjectInstance>& CreateObjectInstance(dbtl::rcptr<L3DObjectInstance>& out,
                                                       const dbtl::rcptr<L3DObjectData>& data,
                                                       const L3DTextureResolver& resolver);
  void _AddObjectInstance(L3DObjectInstance* instance) { m_instances.Add(instance); }
  void _RemoveObjectInstance(L3DObjectInstance* instance) {
    m_instances._RemoveObjectInstance(instance);
  }
  uint32_t GetObjectInstanceCount() const { return m_instances.GetCount(); }
  bool IsObjectInstanceListed(const L3DObjectInstance* instance) const {
    return m_instances.Contains(instance);
  }
  L3DNnidTable& GetNnidTable() { return m_names; }
  L3D_RENDERER_NNID* GetSystemNnid() const { return m_systemNnid; }

  // Matrices; the inverses are computed when first asked for after SetViewProjection.
  const LMat& GetIdentity() const { return m_identity; }
  const LMat& GetView() const { return m_view; }
  const LMat& GetProjection() const { return m_projection; }
  const LMat& GetViewProjection() const { return m_viewProjection; }
  const LMat& GetViewProjectionTransposed() const { return m_viewProjectionT; }
  const LMat& GetInverseViewProjection();
  const LMat& GetInverseProjection();
  const float* GetLightDirection() const { return m_light; }

  const dbtl::rcptr<L3DDevice>& GetDevice() const { return m_device; }
  const dbtl::rcptr<L3DVShader>& GetVShader(uint32_t kind, uint32_t bones) const {
    return m_vshaders[kind * 5 + bones];
  }
  const dbtl::rcptr<L3DPShader>& GetPShader(uint32_t kind) const { return m_pshaders[kind]; }
  const dbtl::rcptr<L3DSeManagerLink>& GetSeManager() const { return m_seManager; }
  const dbtl::rcptr<L3DEffectManagerLink>& GetEffectManager() const { return m_effects; }
  uint32_t GetFrameRate() const { return m_frameRate; }
  L3DRandom& GetRandom() { return m_random; }
  L3DZsdList& GetZsd() { return m_zsd; }

  // Written directly by the engines (enabled, scale, offset) and by SetFogColor.
  L3DRendererFog fog;
  // Work buffer of the animation code of the model library.
  dbtl::DBuffer<L3D_ANIMDATA_KEY*, 128> keyScratch;

 private:
  void _LoadShaders(dbtl::DFile& shaderFile);
  void _FillPalette(const LMat* matrices, uint32_t count);
  void _DrawMesh(const L3D_RENDERER_DRAWMESH& mesh);
  void _DrawOutline(const LMat* matrices, const L3D_RENDERER_DRAWMESH& mesh);
  void _RegistBlended(const L3D_RENDERER_DRAWPART& part, const L3D_RENDERER_DRAWMESH& mesh,
                      uint32_t flags);
  _L3D_RENDERER_ALPHASHADER* _NewAlphaRecord();
  static void _DrawAlphaShader(L3DRenderer* renderer, const L3D_RENDERER_VERTEX* vertices,
                               uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                               void* context);

  dbtl::rcptr<L3DDevice> m_device;
  uint32_t m_frameRate = 0;
  dbtl::rcptr<dbtl::DsndManager> m_sound;
  dbtl::rcptr<L3DEffectManagerLink> m_effects;
  dbtl::rcptr<L3DSeManagerLink> m_seManager;
  L3DRandom m_random;
  dbtl::rcptr<L3DVShader> m_vshaders[L3D_SHADER_KINDS * 5];
  uint32_t m_baseConstants[L3D_SHADER_KINDS] = {};
  uint32_t m_boneConstants[L3D_SHADER_KINDS] = {};
  dbtl::rcptr<L3DPShader> m_pshaders[L3D_SHADER_KINDS];
  uint32_t m_cacheFlags = 0;
  LMat m_identity{};
  LMat m_view{};
  LMat m_projection{};
  LMat m_viewProjection{};
  LMat m_viewProjectionT{};
  LMat m_inverseViewProjection{};
  LMat m_inverseProjection{};
  float m_light[3] = {};
  float m_frustumRatio = 1.0f;
  float m_frustumRatioInverse = 1.0f;
  dbtl::DBuffer<LMat, 32> m_palette;
  uint32_t m_paletteCount = 0;
  dbtl::DBuffer<LMat, 32> m_poses;
  dbtl::DBuffer<L3D_RENDERER_VERTEX, 256> m_posed;
  dbtl::DBuffer<L3D_RENDERER_DRAWMESH, 32> m_meshes;
  dbtl::DBuffer<float, 256> m_constants;
  // Blended-mesh records: made in chunks of 128, handed out in order, all back at DrawZsd.
  std::vector<std::unique_ptr<_L3D_RENDERER_ALPHASHADER[]>> m_alphaChunks;
  uint32_t m_alphaUsed = 0;
  L3D_RENDERER_SHADEROPT_NORMAL m_defaultOption;
  L3DZsdList m_zsd;
  L3DNnidTable m_names;
  L3D_RENDERER_NNID* m_systemNnid = nullptr;
  L3DInstanceRegistry m_instances;
  L3DRendererLinks* m_links;
};
