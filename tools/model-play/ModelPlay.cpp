// model-play DIRECTORY MODEL ANIMATION FRAMES
//
// Loads the model MODEL (a pack path without ".dgo") from the pack directory DIRECTORY, starts
// its animation ANIMATION and forwards it FRAMES frames. Prints, per frame, the events that ran
// and the seven bounding slots. No device, no sound: sound events are listed but not played,
// effects are listed with their number.

#include "foundation/dbtl/DFile.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lfm/LFmOverride.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/startup/Dmath.h"
#include "model/anim/L3DObjInstEvent.h"
#include "model/load/Da3dObject.h"
#include "model/object/L3DModelServices.h"
#include "render/LResManager.h"

#include "../common/DirectoryPack.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using tools::DirectoryPack;

class NoTextures : public L3DTextureLoader {
 public:
  dbtl::rcptr<L3DTexture> Load(int32_t, const char* name, uint32_t) override {
    std::printf("texture %s\n", name);
    return {};
  }
};

// Effects are listed, not played.
class ListedEffects : public L3DEffectPlayer {
 public:
  void Play(const L3DEffectPlayRequest&) override {}
  void StopKey(const void*) override {}
  dbtl::rcptr<L3D_EFFECT_DATA> GetFirstData() override { return m_set; }
  dbtl::rcptr<L3D_EFFECT_DATA> FindData(const L3D_RENDERER_NNID*) override { return m_set; }
  void LoadData(L3D_RENDERER_NNID*, int32_t, const char* name) override {
    std::printf("effect data %s\n", name);
  }

 private:
  dbtl::rcptr<L3D_EFFECT_DATA> m_set = [] {
    dbtl::rcptr<L3D_EFFECT_DATA> p;
    p.Create(1);
    return p;
  }();
};

const char* kindName(uint32_t kind) {
  static const char* const names[] = {"texset", "sound", "effect", "effect", "setcoll", "goframe", "texanim"};
  return kind < 7 ? names[kind] : "?";
}

class PrintTrace : public L3DEventTrace {
 public:
  void OnEvent(const void*, const L3D_OBJINST_EVENT& e) override {
    std::printf("  event %s at %d", kindName(e.kind), e.frame);
    if (e.kind == 1) std::printf(" sound %u", e.soundNumber);
    if (e.kind == 2 || e.kind == 3) std::printf(" effect %u", e.effectNumber);
    if (e.kind == 4) std::printf(" value %u", e.value);
    if (e.kind == 5) std::printf(" to %d", e.targetFrame);
    std::printf("\n");
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: model-play DIRECTORY MODEL ANIMATION FRAMES\n");
    return 2;
  }
  const long frames = std::strtol(argv[4], nullptr, 10);
  if (frames < 0) {
    std::fprintf(stderr, "model-play: FRAMES must not be negative\n");
    return 2;
  }
  DmathInitTables();
  lerrSetMode(0);
  try {
    dbtl::rcptr<DirectoryPack> pack;
    pack.Create(1);
    pack->SetRoot(argv[1]);
    L3DNnidTable names;
    NoTextures textures;
    ListedEffects effects;
    PrintTrace trace;
    L3DModelServices system;
    system.pack = lfmRegistPack("");
    lfmRegistOverride(pack);
    system.names = &names;
    system.textures = &textures;
    system.effects = &effects;
    system.trace = &trace;
    Da3dObject object;
    // Model paths are ASCII pack names here.
    std::u16string path;
    for (const char* p = argv[2]; *p != '\0'; ++p) path.push_back(static_cast<unsigned char>(*p));
    object.load(system, path.c_str(), {});
    object.instance->SetAnim(object.instance->CreateAnim(argv[3]), L3DObjectInstance::Restart::Yes);
    object.instance->ResetAnimFrame();
    for (long f = 0; f < frames; ++f) {
      std::printf("frame %ld\n", f);
      object.instance->ForwardAnimFrame();
      for (uint32_t j = 0; j < L3D_OBJINST_BOUND_SLOTS; ++j) {
        const L3DBoundSphere& b = object.instance->bounds[j];
        if (b.radius == 0.0f) continue;
        std::printf("  slot %u centre %g %g %g radius %g\n", j, b.centre.x, b.centre.y, b.centre.z, b.radius);
      }
    }
    object.reset();
    lfmTerm();
  } catch (const LExceptGame&) {
    std::fprintf(stderr, "model-play: stopped by the error above\n");
    return 1;
  }
  return 0;
}
