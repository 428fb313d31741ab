#pragma once

// A windowed device on the software rasteriser with a small back buffer, the framework sprite
// system over a sprite layer 2 device set, and the IPA Gothic font of the set-up script as
// "sys/font.ttf".

#include "render/sprite/ombSprite.h"
#include "render/sprite/ombSpriteText.h"
#include "render/sprite2/Sprite2Internal.h"
#include "testsupport/FileBytes.h"
#include "testsupport/render/DeviceFixture.h"

#include <fstream>
#include <iterator>
#include <vector>

inline constexpr char kTestFont[] = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

class Sprite2Test : public DeviceTest {
 protected:
  static void SetUpTestSuite() {
    const std::vector<uint8_t> font = readFileBytes(kTestFont);
    ASSERT_FALSE(font.empty()) << "run tools/setup.sh: " << kTestFont;
    sprite2InitFromBytes(font);
  }

  void SetUp() override {
    Init(Profile("default"));
    SetClientSize(kWidth, kHeight);
    m_device = std::make_unique<L3DDevice>(this, this);
    m_device->Create(0, &m_window, 0, kWidth, kHeight, 0, L3DDEV_CREATE_WINDOW);
    sprite2CreateDeviceSet(&ops, sprite2::DeviceSetConfig{m_device.get(), kWidth, kHeight, 1});
    set = ombSpriteCreateDeviceSet(&ops);
  }
  void TearDown() override {
    ombSpriteDestroyDeviceSet(set);
    sprite2DestroyDeviceSet(&ops);
    DeviceTest::TearDown();
  }

  sprite2::DeviceSet& layer() { return *static_cast<sprite2::DeviceSet*>(ops.context); }

  // The pixels of a 32-bit texture as A, R, G, B words.
  static uint32_t texel(L3DTexture* t, uint32_t x, uint32_t y) {
    int32_t pitch = 0;
    const uint8_t* p = static_cast<const uint8_t*>(t->Lock(x, y, 1, 1, pitch));
    uint32_t word = 0;
    if (t->kind == 2) {
      word = uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    } else {
      word = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    t->texture->UnlockRect(0);
    return word;
  }

  static constexpr uint32_t kWidth = 96;
  static constexpr uint32_t kHeight = 64;
  OmbSpriteDeviceOps ops{};
  OmbSpriteDeviceSet* set = nullptr;
};
