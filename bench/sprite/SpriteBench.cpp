// The sprite system's per-frame work without rasterising: 10,000 sprites moved, walked and
// built into quads, the batches handed to a device that only counts them; and 1000 glyph
// draws into a text surface from a warm FreeType cache. Each benchmark also times a memcpy of
// comparable bytes in the same run and reports the ratio, since the machine is shared and
// absolute times drift.

#include "platform/d3d9/Profile.h"
#include "render/device/L3DDevice.h"
#include "render/device/L3DWindow.h"
#include "render/device/l3dInit.h"
#include "render/sprite/ombSprite.h"
#include "render/sprite/ombSpriteText.h"
#include "render/sprite2/sprite2.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

struct CountingDevice {
  uint32_t renderCalls = 0;
  uint32_t batches = 0;
  uint32_t surface[2] = {256, 256};
};

OmbSpriteDeviceOps countingOps(CountingDevice* d) {
  OmbSpriteDeviceOps o{};
  o.context = d;
  o.screenSize = [](uint32_t* w, uint32_t* h, void*) {
    *w = 640;
    *h = 480;
  };
  o.begin = [](void*) {};
  o.end = [](void*) {};
  o.render = [](void* c, OmbSpriteBatch*, uint32_t count) {
    auto* d = static_cast<CountingDevice*>(c);
    ++d->renderCalls;
    d->batches += count;
  };
  o.loadImage = [](void* c, uint32_t, const char16_t*) -> void* {
    return static_cast<CountingDevice*>(c)->surface;
  };
  o.destroySurface = [](void*) {};
  o.surfaceSize = [](uint32_t* w, uint32_t* h, void* s) {
    *w = static_cast<uint32_t*>(s)[0];
    *h = static_cast<uint32_t*>(s)[1];
  };
  return o;
}

// Seconds for one memcpy of `bytes`, the best of a few runs.
double memcpySeconds(std::size_t bytes) {
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  double best = 1e9;
  for (int i = 0; i < 20; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  return best;
}

// Frame time, the anchor's time and their ratio, from the loop that just ended.
void report(benchmark::State& state, std::chrono::steady_clock::time_point start, double anchor) {
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double frame = elapsed / static_cast<double>(state.iterations());
  state.counters["frame_us"] = frame * 1e6;
  state.counters["memcpy_us"] = anchor * 1e6;
  state.counters["ratio_to_memcpy"] = frame / anchor;
}

void BM_SpriteFrame10000(benchmark::State& state) {
  CountingDevice device;
  const OmbSpriteDeviceOps ops = countingOps(&device);
  OmbSpriteDeviceSet* set = ombSpriteCreateDeviceSet(&ops);
  OmbSpriteRenderer* r = ombSpriteCreateRenderer(set, 0, 0, 1);
  OmbSpriteImage* image = ombSpriteLoadImage(u"atlas.png", set);
  OmbSpriteRect* rect = ombSpriteCreateRect(image, r, 0, 0, 16, 16, 8, 8);
  std::vector<OmbSprite*> sprites;
  for (int i = 0; i < 10000; ++i) {
    OmbSprite* s = ombSpriteCreate(r);
    ombSpriteSetRect(s, rect);
    ombSpriteSetRotationZ(s, 0.01f * static_cast<float>(i % 300));
    sprites.push_back(s);
  }
  float t = 0.0f;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    t += 1.0f;
    for (std::size_t i = 0; i < sprites.size(); ++i) {
      OmbSprite* s = sprites[i];
      s->posX = static_cast<float>(i % 640) + t * 0.001f;
      s->posY = static_cast<float>(i / 640) * 16.0f;
      s->flags |= OMB_SPRITE_DIRTY;
    }
    ombSpriteUpdateRenderer(r);
    ombSpriteDrawRenderer(r);
  }
  report(state, start, memcpySeconds(sprites.size() * 4 * sizeof(OmbSpriteVertex)));
  state.counters["batches_per_frame"] =
      static_cast<double>(device.batches) / static_cast<double>(state.iterations());
  ombSpriteDestroyDeviceSet(set);
}
BENCHMARK(BM_SpriteFrame10000)->Unit(benchmark::kMicrosecond);

void BM_GlyphDraws1000(benchmark::State& state) {
  std::ifstream in("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", std::ios::binary);
  const std::vector<uint8_t> font{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
  if (font.empty()) {
    state.SkipWithError("IPA Gothic missing: run tools/setup.sh");
    return;
  }
  sprite2InitFromBytes(font);
  std::unique_ptr<d3d9::IDirect3D9, void (*)(d3d9::IDirect3D9*)> d3d(
      d3d9::createDirect3D(*d3d9::profileBySpec("default")),
      [](d3d9::IDirect3D9* p) { p->Release(); });
  l3dInit(d3d.get());
  struct FixedWindow : L3DWindow {
    void GetClientSize(d3d9::HWND, uint32_t& width, uint32_t& height) const override {
      width = 64;
      height = 64;
    }
  } host_window;
  int window = 0;
  {
    L3DDevice device(&host_window);
    device.Create(0, &window, 0, 64, 64, 0, L3DDEV_CREATE_WINDOW);
    OmbSpriteDeviceOps ops{};
    sprite2CreateDeviceSet(&ops, sprite2::DeviceSetConfig{&device, 64, 64, 1});
    void* surface = ops.createTextSurface(ops.context, 256, 256);
    void* glyphFont = ops.createFont(ops.context, 16, 4);
    uint8_t gamma[256];
    for (int i = 0; i < 256; ++i) gamma[i] = static_cast<uint8_t>(i);
    const char16_t text[] = u"あいうえおかきくけこ確認ABCDEFGHIJ0123456789";
    const std::size_t length = std::size(text) - 1;
    for (std::size_t i = 0; i < length; ++i) ops.renderGlyph(glyphFont, text[i]);  // warm
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
      for (int i = 0; i < 1000; ++i) {
        ops.renderGlyph(glyphFont, text[i % length]);
        ops.drawGlyph(surface, static_cast<uint32_t>(i % 15) * 16, static_cast<uint32_t>(i / 15 % 15) * 16,
                      16, 16, 1.0f, 1.0f, 1.0f, glyphFont, gamma);
      }
    }
    report(state, start, memcpySeconds(1000 * 16 * 16 * 4));
    ops.destroyFont(glyphFont);
    ops.destroySurface(surface);
    sprite2DestroyDeviceSet(&ops);
  }
  l3dTerm();
}
BENCHMARK(BM_GlyphDraws1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
