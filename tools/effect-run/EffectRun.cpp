// effect-run DIRECTORY DEFINITION DATA NUMBER FRAMES [options]
//
// Plays one effect from a pack directory for FRAMES frames and prints, per frame, the state of
// every playing root and part and the draw calls the manager makes. See README.md.

#include "foundation/dbtl/DFile.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lfm/LFmOverride.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/startup/Dmath.h"
#include "model/effect/L3DEffectManager.h"
#include "render/L3DRenderer.h"

#include "../common/DirectoryPack.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using tools::DirectoryPack;

class PrintDraws : public L3DEffectDrawObserver {
 public:
  explicit PrintDraws(const L3DEffectManager& manager) : m_manager(manager) {}
  void OnDraw(const L3D_EFFECT_BATCHKEY& key, const L3D_RENDERER_VERTEX* vertices,
              uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount) override {
    const L3DEffectProp& prop = m_manager.GetProp();
    uint32_t row = 0;
    while (row < prop.textureCount && &prop.textures[row].keys[key.blend] != &key) ++row;
    std::printf("  draw texture %u blend %u vertices %u indices %u\n", row, key.blend,
                vertexCount, indexCount);
    for (uint32_t i = 0; i < vertexCount; ++i) {
      const L3D_RENDERER_VERTEX& v = vertices[i];
      std::printf("    v %.4f %.4f %.4f %08x %.4f %.4f\n", v.x, v.y, v.z, v.colour, v.u, v.v);
    }
    std::printf("    i");
    for (uint32_t i = 0; i < indexCount; ++i) std::printf(" %u", indices[i]);
    std::printf("\n");
  }

 private:
  const L3DEffectManager& m_manager;
};

void printPart(const char* name, const L3D_EFFECT_WORKPART& p) {
  std::printf("  %s frame %d image %d mode %u model %d priority %d colour %.4f %.4f %.4f %.4f"
              " at %.4f %.4f %.4f\n",
              name, p.frame, p.image, p.imageMode, p.model, p.priority, p.finalColour[0],
              p.finalColour[1], p.finalColour[2], p.finalColour[3], p.world.m[3][0],
              p.world.m[3][1], p.world.m[3][2]);
  if (p.tracker != nullptr) {
    std::printf("    trail committed %u pending %u\n", p.tracker->committed, p.tracker->pending);
  }
}

void printState(const L3DEffectManager& manager) {
  for (const L3D_EFFECT_WORKROOT* r = manager.GetPlaying(); r != nullptr; r = r->next) {
    std::printf(" root life %d delay %u hold %u/%u key %d\n", r->life, r->delay, r->holdFlags,
                r->holdCount, r->keyIndex);
    printPart("root", r->rootPart);
    for (const L3D_EFFECT_WORKPART* p = r->children; p != nullptr; p = p->childNext) {
      const uint32_t child = static_cast<uint32_t>(p->data - r->rootData->children.Get());
      const std::string name = "child" + std::to_string(child);
      printPart(name.c_str(), *p);
    }
  }
}

long number(const char* text) { return std::strtol(text, nullptr, 10); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr,
                 "usage: effect-run DIRECTORY DEFINITION DATA NUMBER FRAMES [--seed N] [--life N]"
                 " [--delay N] [--hold N] [--key-stop F] [--trail] [--zsorted]\n");
    return 2;
  }
  const long effect = number(argv[4]);
  const long frames = number(argv[5]);
  long seed = 1, life = -1, delay = 0, hold = 0, keyStop = -1;
  bool trail = false, zsorted = false;
  for (int i = 6; i < argc; ++i) {
    const std::string option = argv[i];
    const bool valued = option == "--seed" || option == "--life" || option == "--delay" ||
                        option == "--hold" || option == "--key-stop";
    if (valued && i + 1 >= argc) {
      std::fprintf(stderr, "effect-run: %s needs a value\n", option.c_str());
      return 2;
    }
    if (option == "--seed") seed = number(argv[++i]);
    else if (option == "--life") life = number(argv[++i]);
    else if (option == "--delay") delay = number(argv[++i]);
    else if (option == "--hold") hold = number(argv[++i]);
    else if (option == "--key-stop") keyStop = number(argv[++i]);
    else if (option == "--trail") trail = true;
    else if (option == "--zsorted") zsorted = true;
    else {
      std::fprintf(stderr, "effect-run: unknown option %s\n", option.c_str());
      return 2;
    }
  }
  if (effect < 0 || frames < 0 || delay < 0 || hold < 0) {
    std::fprintf(stderr, "effect-run: NUMBER, FRAMES, delay and hold must not be negative\n");
    return 2;
  }
  DmathInitTables();
  lerrSetMode(0);
  try {
    dbtl::rcptr<DirectoryPack> pack;
    pack.Create(1);
    pack->SetRoot(argv[1]);
    const int32_t packNumber = lfmRegistPack("");
    lfmRegistOverride(pack);

    L3DRenderer renderer;
    LMat identity;
    identity.SetIdentity();
    renderer.SetViewProjection(identity, identity);
    renderer.GetRandom().Seed(static_cast<uint32_t>(seed));
    L3DEffectManager manager;
    manager.Create(&renderer);
    manager.SetTextureLoader([](int32_t, const char* name, uint8_t option) {
      std::printf("texture %s option %u\n", name, option);
      return dbtl::rcptr<L3DTexture>();
    });
    PrintDraws draws(manager);
    manager.SetDrawObserver(&draws);
    manager.SetProp(packNumber, argv[2]);
    L3D_EFFECT_DATA* data = manager.LoadData(1, packNumber, argv[3]);

    int owner = 0;
    float a[3] = {0, 0, 0};
    float b[3] = {0, 1, 0};
    manager.Play(data, static_cast<uint32_t>(effect), static_cast<uint32_t>(delay),
                 static_cast<int32_t>(life), {}, kQuatIdentity, {1.0f, 1.0f, 1.0f}, {},
                 keyStop >= 0 ? &owner : nullptr, nullptr, trail ? a : nullptr,
                 trail ? b : nullptr);
    if (hold > 0 && manager.GetPlaying() != nullptr) {
      manager.GetPlaying()->holdFlags = L3D_EFFECT_HOLD_STEP | L3D_EFFECT_HOLD_DRAW;
      manager.GetPlaying()->holdCount = static_cast<uint32_t>(hold);
    }
    for (long f = 0; f < frames; ++f) {
      if (f == keyStop) {
        std::printf("stop key\n");
        manager.StopKey(&owner);
      }
      a[0] = b[0] = static_cast<float>(f);
      manager.Task();
      std::printf("frame %ld flags %u\n", f, manager.GetFrameFlags());
      printState(manager);
      manager.Draw(zsorted);
      if (zsorted) {
        std::printf("  sorted groups %u\n", renderer.GetZsd().GetGroupCount());
        renderer.DrawZsd();
      }
    }
    manager.Release();
    lfmTerm();
  } catch (const LExceptGame&) {
    std::fprintf(stderr, "effect-run: stopped by the error above\n");
    return 1;
  }
  return 0;
}
