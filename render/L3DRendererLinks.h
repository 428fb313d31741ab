#pragma once

// What the renderer needs of the managers it owns but whose libraries sit above it: the
// sound-effect manager (sound library) and the effect manager and object instances (model
// library), and the object instances of the model library. The host implements L3DRendererLinks
// with factories that build the real managers and instances behind these interfaces.

#include "foundation/dbtl/rcptr.h"

class L3DRenderer;
class L3DObjectData;
class L3DObjectInstance;
struct L3DTextureResolver;
namespace dbtl {
class DsndManager;
}

// The sound-effect manager (LSeManager) as seen by StopAll.
class L3DSeManagerLink {
 public:
  virtual ~L3DSeManagerLink() = default;
  virtual bool HasActiveVoice() const = 0;
  // LSeManager::_StopVoice on the first active voice; it leaves the active-voice list.
  virtual void StopFirstActiveVoice() = 0;
};

// The effect manager (L3DEffectManager) as seen by StopAll.
class L3DEffectManagerLink {
 public:
  virtual ~L3DEffectManagerLink() = default;
  virtual bool HasPlayingRoot() const = 0;
  // L3DEffectManager::_FreeWorkRoot on the first playing work root; it leaves the list.
  virtual void FreeFirstPlayingRoot() = 0;
};

// The host implements it and hands it to each renderer it constructs; it outlives the
// renderer. A factory that gives an empty handle means that manager does not exist.
class L3DRendererLinks {
 public:
  virtual ~L3DRendererLinks() = default;
  // Builds the sound-effect manager over the sound manager, with the frame rate as its velocity
  // factor. Called only when the renderer is given a sound manager.
  virtual dbtl::rcptr<L3DSeManagerLink> CreateSeManager(const dbtl::rcptr<dbtl::DsndManager>& sound,
                                                        float velocityFactor) = 0;
  // Builds the effect manager bound to the renderer (a handle that holds no reference).
  virtual dbtl::rcptr<L3DEffectManagerLink> CreateEffectManager(
      const dbtl::rcptr<L3DRenderer>& renderer) = 0;
  // A new object instance built over the object data with the texture resolver and the
  // renderer's managers, bound to the renderer by a pointer that holds no reference. Building
  // it lists it in the renderer's instance list (_AddObjectInstance), and releasing it takes it
  // out again, so the renderer never keeps the address of an instance that is gone.
  virtual dbtl::rcptr<L3DObjectInstance> CreateObjectInstance(
      L3DRenderer& renderer, const dbtl::rcptr<L3DObjectData>& data,
      const L3DTextureResolver& resolver) = 0;
  // L3DObjectInstance::Release: releases the instance, which takes itself out of the
  // renderer's instance list.
  virtual void ReleaseInstance(L3DObjectInstance* instance) = 0;
};
