// The post-effect natives on a script machine: registration from tables (absent keys read as
// 0, numbers of either kind), handles that are checked ids, and the answers of an engine whose
// post effect was refused.

#include "render/post/PostEffectNatives.h"

#include "foundation/omb/ombCore.h"
#include "render/post/tests/PostEffectFixture.h"
#include "script/ScriptManager.h"
#include "script/ScriptStackTop.h"
#include "script/ScriptThread.h"
#include "testsupport/LogCapture.h"
#include "testsupport/Text.h"

#include <memory>

namespace {

using testsupport::u16;

PostEffect* g_current = nullptr;

class PostEffectNativesTest : public PostEffectTest {
 protected:
  void SetUp() override {
    PostEffectTest::SetUp();
    thread = std::make_unique<ScriptThread>(&manager, manager.newTable(nullptr));
    registerPostEffectApi(manager.rootTable, [](HSQUIRRELVM) { return g_current; });
    g_current = &m_effect;
  }

  void TearDown() override {
    g_current = nullptr;
    thread.reset();
    PostEffectTest::TearDown();
  }

  ScriptObject run(const std::string& source) {
    HSQUIRRELVM vm = thread->vm.vm;
    const std::u16string code = u16(source);
    ScriptObject closure;
    {
      ScriptStackTop top(vm);
      if (SQ_FAILED(sq_compilebuffer(vm, code.c_str(), static_cast<SQInteger>(code.size()),
                                     u"snippet", SQTrue))) {
        ADD_FAILURE() << "does not compile: " << source;
        return ScriptObject();
      }
      closure = ScriptObject::fromStack(vm, -1);
    }
    return thread->vm.prepareCall(closure).run();
  }
  int32_t Int(const std::string& expression) {
    return run("return " + expression + ";").toInteger();
  }
  PostEffectEntry* Entry(int32_t handle) {
    return static_cast<PostEffectEntry*>(scriptHandles().find(handle, kPostEffectHandle));
  }

  struct CoreUp {
    CoreUp() { ombCoreInit(); }
  } m_core;
  LogCapture m_log;
  ScriptManager manager;
  std::unique_ptr<ScriptThread> thread;
};

TEST_F(PostEffectNativesTest, TablesRegisterEachType) {
  const int32_t bright = Int(
      "systemRegistPostEffect(1, {bright = 1, gaussLevel0 = 12, alpha0 = 0.5, gaussLevel1 = -1,"
      " gaussLevel2 = 2.9, alpha3 = 1})");
  PostEffectEntry* e = Entry(bright);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->type, uint32_t(POSTEFFECT_BRIGHT));
  EXPECT_EQ(e->bright, 1.0f);  // an integer read as a number
  EXPECT_EQ(e->gaussLevel[0], 7u);
  EXPECT_EQ(e->gaussLevel[1], 7u);
  EXPECT_EQ(e->gaussLevel[2], 2u);  // a number read as an integer, truncated
  EXPECT_EQ(e->gaussLevel[3], 0u);  // absent
  EXPECT_EQ(e->alpha[0], 0.5f);
  EXPECT_EQ(e->alpha[1], 0.0f);
  EXPECT_EQ(e->alpha[3], 1.0f);

  struct Row {
    int type;
    const char* table;
    uint32_t expected;
  };
  const Row rows[] = {
      {2, "{bias = 0.25}", POSTEFFECT_DIFFUSE},
      {3, "{red = 1, green = 0.5}", POSTEFFECT_OVERLAY_COLOR},
      {4, "{}", POSTEFFECT_SOFTLIGHT_COLOR},
      {5, "{alpha = 1}", POSTEFFECT_HARDLIGHT_COLOR},
      {6, "{centerX = 0.5, frameStart = 2, frameEnd = 4.5, frameDead = 8}",
       POSTEFFECT_ZOOM_BLUR},
      {9, "{gaussLevel3 = 3}", POSTEFFECT_ALPHA},
  };
  for (const Row& r : rows) {
    const int32_t handle =
        Int("systemRegistPostEffect(" + std::to_string(r.type) + ", " + r.table + ")");
    ASSERT_NE(Entry(handle), nullptr) << r.type;
    EXPECT_EQ(Entry(handle)->type, r.expected);
  }
  EXPECT_EQ(m_effect.zoomBlur()->frameEnd, 4);
  EXPECT_EQ(m_effect.zoomBlur()->frameDead, 8);

  PaintNoise(u"wave.png");
  const int32_t shimmer = Int(
      "systemRegistPostEffect(7, {noiseName = \"wave.png\", sizeX = 16, sizeY = 16, alpha = 1})");
  ASSERT_NE(Entry(shimmer), nullptr);
  EXPECT_EQ(std::u16string(Entry(shimmer)->noiseName), u"wave.png");
  EXPECT_EQ(m_noiseRequests.back(), u"sys/posteffect/wave.png");
}

TEST_F(PostEffectNativesTest, RefusedRegistrationsAnswerZero) {
  EXPECT_EQ(Int("systemRegistPostEffect(0, {})"), 0);
  EXPECT_EQ(Int("systemRegistPostEffect(10, {})"), 0);
  // Names are cut to 31 units before the loader sees them; an unknown noise registers nothing.
  EXPECT_EQ(Int("systemRegistPostEffect(7, {noiseName = \"" + std::string(40, 'n') + "\"})"), 0);
  EXPECT_EQ(m_noiseRequests.back(), u"sys/posteffect/" + std::u16string(31, u'n'));
  // Water with an empty table names no noise: nothing can be loaded.
  EXPECT_EQ(Int("systemRegistPostEffect(8, {})"), 0);
  EXPECT_EQ(m_effect.firstEntry(), nullptr);
  EXPECT_EQ(m_effect.water(), nullptr);
}

TEST_F(PostEffectNativesTest, HandlesAreCheckedIdsThatGoStaleWithTheirEntry) {
  const int32_t a = Int("systemRegistPostEffect(3, {red = 1})");
  const int32_t b = Int("systemRegistPostEffect(4, {red = 1})");
  ASSERT_GT(a, 0);
  EXPECT_NE(a, b);
  EXPECT_NE(reinterpret_cast<intptr_t>(Entry(a)), intptr_t(a));
  run("systemClearPostEffect(" + std::to_string(a) + ")");
  EXPECT_EQ(Entry(a), nullptr);
  EXPECT_EQ(m_effect.firstEntry(), Entry(b));

  // The freed block comes back for the next entry, but the old handle stays stale.
  const int32_t c = Int("systemRegistPostEffect(5, {})");
  EXPECT_NE(c, a);
  run("systemClearPostEffect(" + std::to_string(a) + ")");  // nothing happens
  run("systemClearPostEffect(123456)");                     // nothing happens
  EXPECT_NE(Entry(b), nullptr);
  EXPECT_NE(Entry(c), nullptr);

  // A zoom blur that ends by itself takes its handle along.
  const int32_t zoom = Int("systemRegistPostEffect(6, {frameDead = 0})");
  ASSERT_NE(Entry(zoom), nullptr);
  m_effect.update();
  EXPECT_EQ(Entry(zoom), nullptr);
  run("systemClearPostEffect(" + std::to_string(zoom) + ")");

  // A water handle finds no entry.
  PaintNoise(u"a");
  const int32_t water = Int(
      "systemRegistPostEffect(8, {noiseName0 = \"a\", noiseName1 = \"a\", brightMax = 1})");
  ASSERT_GT(water, 0);
  EXPECT_EQ(scriptHandles().find(water, kPostEffectWaterHandle), m_effect.water());
  run("systemClearPostEffect(" + std::to_string(water) + ")");
  EXPECT_NE(m_effect.water(), nullptr);

  run("systemClearPostEffectAll()");
  EXPECT_EQ(m_effect.firstEntry(), nullptr);
  EXPECT_EQ(Entry(b), nullptr);
  EXPECT_NE(m_effect.water(), nullptr);
  run("systemClearPostEffectWater()");
  EXPECT_EQ(m_effect.water(), nullptr);
  EXPECT_EQ(scriptHandles().find(water, kPostEffectWaterHandle), nullptr);
}

// Without a post effect (the engine's was refused) every native answers 0 or does nothing.
TEST_F(PostEffectNativesTest, WithoutAPostEffectNothingRegisters) {
  PaintNoise(u"a");
  for (PostEffect* effect : {static_cast<PostEffect*>(nullptr), &m_effect}) {
    g_current = effect;
    if (effect != nullptr) {
      m_effect.release();
      PostEffectConfig config = Config();
      config.compatible = true;
      ASSERT_FALSE(m_effect.init(config));
    }
    for (int type = 1; type <= 9; ++type) {
      EXPECT_EQ(Int("systemRegistPostEffect(" + std::to_string(type) +
                    ", {noiseName = \"a\", noiseName0 = \"a\", noiseName1 = \"a\"})"),
                0)
          << type;
    }
    run("systemClearPostEffect(1); systemClearPostEffectAll(); systemClearPostEffectWater();");
  }
  for (const LogCapture::Message& m : LogCapture::messages()) {
    EXPECT_NE(m.level, OMB_LOG_ERROR) << testsupport::u8(m.text);
  }
}

}  // namespace
