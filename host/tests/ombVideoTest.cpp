// The video settings over the Direct3D stand-in's adapter profiles.

#include "host/settings/ombVideo.h"

#include "foundation/omb/ombCore.h"
#include "platform/d3d9/Profile.h"
#include "platform/kernel/IniFile.h"
#include "testsupport/LogCapture.h"
#include "testsupport/XdgHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr ConfigDisplayEntry kTable[] = {
    {0, 1280, 960, 0}, {0, 1280, 1024, 0}, {1, 1024, 768, 0}, {2, 1280, 960, 0},
    {2, 800, 600, 1},
};

OMB_VIDEO_TABLE table() {
  OMB_VIDEO_TABLE t;
  t.entries = kTable;
  t.count = std::size(kTable);
  t.minimumTexture = 1024;
  t.multisample = true;
  return t;
}

class VideoSettingsTest : public testing::Test {
 protected:
  void use(const char* profile) {
    d3d9::selectProfile(profile);
    ombVideoUninit();
    ombVideoInit();
    ASSERT_NE(ombVideoGetDirect3D(), nullptr) << profile;
  }
  ~VideoSettingsTest() override {
    ombVideoUninit();
    d3d9::selectProfile("");
  }
  std::vector<ConfigDisplayEntry> usable(uint32_t adapter) {
    std::vector<ConfigDisplayEntry> entries;
    ConfigDisplayEntry e;
    for (uint32_t n = 0; ombVideoGetUsableEntry(ombVideoGetDirect3D(), adapter, table(), n, e); ++n) {
      entries.push_back(e);
    }
    return entries;
  }
  std::string guidOf(uint32_t adapter) {
    d3d9::D3DADAPTER_IDENTIFIER9 id{};
    ombVideoGetDirect3D()->GetAdapterIdentifier(adapter, 0, &id);
    uint32_t w[4];
    std::memcpy(w, &id.DeviceIdentifier, sizeof w);
    char text[64];
    std::snprintf(text, sizeof text, "%x_%x_%x_%x", w[0], w[1], w[2], w[3]);
    return text;
  }

  XdgHome home;
  LogCapture log;
};

TEST_F(VideoSettingsTest, UsableEntriesNeedTheAdaptersModesAndFormats) {
  use("default");
  const std::vector<ConfigDisplayEntry> entries = usable(0);
  // The desktop has no 1280 x 960 mode; windows of any size are usable.
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0].width, 1280);
  EXPECT_EQ(entries[0].height, 1024);
  EXPECT_EQ(entries.back().mode, 2);
  EXPECT_EQ(entries.back().fourth, 1);
  for (const ConfigDisplayEntry& e : entries) EXPECT_FALSE(e.mode == 0 && e.height == 960);
  EXPECT_TRUE(usable(1).empty());  // no such adapter
}

TEST_F(VideoSettingsTest, DefaultsSkipAnAdapterWithoutLargeTextures) {
  use("twoadapters");
  EXPECT_TRUE(usable(0).empty());
  ConfigDisplaySettings s{};
  ombVideoDefaultSetting(ombVideoGetDirect3D(), table(), s);
  EXPECT_EQ(s.flags, CONFIG_DISPLAY_VALID);
  EXPECT_EQ(s.adapter, 1u);
}

TEST_F(VideoSettingsTest, SavedChoiceOfTheSecondTwinIsFoundAgain) {
  use("twin");
  const std::string path = (home.root / "settings.ini").string();
  const std::u16string section = u"Config";
  const std::string guid = guidOf(1);
  ASSERT_EQ(guid, guidOf(0));
  platform::writePrivateProfileString(section, u"videoGuid", std::u16string(guid.begin(), guid.end()), path);
  platform::writePrivateProfileString(section, u"videoNo", u"1", path);
  platform::writePrivateProfileString(section, u"videoColor", u"2", path);
  platform::writePrivateProfileString(section, u"videoWidth", u"800", path);
  platform::writePrivateProfileString(section, u"videoHeight", u"600", path);
  platform::writePrivateProfileString(section, u"videoMultisample", u"99", path);
  platform::writePrivateProfileString(section, u"videoNoFlip", u"1", path);
  ConfigDisplaySettings s{};
  ombVideoLoadSetting(s, table(), path, section);
  EXPECT_EQ(s.adapter, 1u);
  EXPECT_EQ(s.mode, 2);
  EXPECT_EQ(s.width, 800);
  EXPECT_EQ(s.fourth, 1);
  EXPECT_EQ(s.flags, CONFIG_DISPLAY_VALID | CONFIG_DISPLAY_NO_FLIP);
  EXPECT_EQ(s.multisample, 0);  // 99 names no sample count
  EXPECT_TRUE(LogCapture::messages().empty());

  // A third twin does not exist: the defaults, with the warning.
  platform::writePrivateProfileString(section, u"videoNo", u"2", path);
  ombVideoLoadSetting(s, table(), path, section);
  EXPECT_EQ(s.adapter, 0u);
  EXPECT_EQ(s.width, 1280);
  ASSERT_EQ(LogCapture::messages().size(), 1u);
  EXPECT_EQ(LogCapture::messages()[0].level, OMB_LOG_WARNING);
}

}  // namespace
