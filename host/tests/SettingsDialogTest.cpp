// The settings dialog with its video and controller pages, played by the headless driver over
// the Direct3D stand-in's profiles and scripted pads.

#include "foundation/omb/ombMswAppData.h"
#include "host/input/ombInputDevice.h"
#include "host/settings/ombInput.h"
#include "host/settings/ombMswConfig.h"
#include "host/settings/ombVideo.h"
#include "platform/d3d9/Profile.h"
#include "platform/dialog/DialogDriver.h"
#include "platform/input/ScriptedInput.h"
#include "platform/kernel/IniFile.h"
#include "platform/text/Utf8.h"
#include "testsupport/LogCapture.h"
#include "testsupport/XdgHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr ConfigDisplayEntry kTable[] = {
    {0, 1280, 1024, 0}, {0, 1024, 768, 0}, {2, 800, 600, 1}, {2, 640, 480, 1},
};

char16_t kUp[] = u"上", kDown[] = u"下", kLeft[] = u"左", kRight[] = u"右", kA[] = u"決定",
         kB[] = u"取消", kC[] = u"補助", kD[] = u"加速", kNormal[] = u"通常",
         kSimple[] = u"簡易";
ConfigInputButton kButtons[] = {
    {kUp, CONFIG_BUTTON_DIRECTION, 200},
    {kDown, CONFIG_BUTTON_DIRECTION, 208},
    {kLeft, CONFIG_BUTTON_DIRECTION, 203},
    {kRight, CONFIG_BUTTON_DIRECTION, 205},
    {kA, 0, 44},
    {kB, 0, 45},
    {kC, CONFIG_BUTTON_OPTIONAL, 46},
    {kD, CONFIG_BUTTON_OPTIONAL | CONFIG_BUTTON_ANALOG, 47},
};
ConfigInputType kTypes[] = {{kNormal, kButtons, 8}, {kSimple, kButtons, 6}};

struct DialogRun {
  int32_t result = 0;
  std::vector<std::string> output;
};

class SettingsDialogTest : public testing::Test {
 protected:
  ~SettingsDialogTest() override {
    dlg::setBackend(nullptr);
    ombVideoUninit();
    ombInputUninit();
    ombInputReleaseDirectInput();
    d3d9::selectProfile("");
  }

  // One run of the dialog: the Direct3D profile, the scripted pads, the driver's actions.
  DialogRun run(const std::string& actions, bool shown = true, const std::string& profile = "default",
          const std::string& pads = "", uint32_t padCount = 2) {
    d3d9::selectProfile(profile);
    ombVideoUninit();
    ombVideoInit();
    home.set("GAME_INPUT_SCRIPT", pads.empty() ? std::string("pad none") : pads);
    ombInputReleaseDirectInput();
    ombInputInit();
    std::string error;
    auto driver = dlg::DialogDriver::fromText(actions, &error);
    EXPECT_TRUE(driver) << error;
    dlg::setBackend(&*driver);
    OMB_MSW_CONFIG dialog;
    dialog.title = u"Settings";
    dialog.section = u"Config";
    dialog.header = u"Header\r\n";
    OMB_VIDEO_TABLE table;
    table.entries = kTable;
    table.count = std::size(kTable);
    table.minimumTexture = 1024;
    table.multisample = true;
    ombVideoAddConfigPlugin(&display, &dialog, table);
    OMB_INPUT_LAYOUT layout;
    layout.types = kTypes;
    layout.typeCount = 2;
    layout.padCount = padCount;
    ombInputAddConfigPlugin(&input, &dialog, layout);
    DialogRun r;
    r.result = ombMswConfigRun(&dialog, shown);
    EXPECT_TRUE(dialog.pages.empty());
    r.output = driver->output();
    dlg::setBackend(nullptr);
    return r;
  }

  std::string ini() const {
    std::ifstream in(platform::utf16ToUtf8(ombMswIniFileName()));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::u16string value(const char16_t* key, const char16_t* section = u"Config") const {
    char16_t text[256];
    platform::getPrivateProfileString(section, key, u"<none>", text, 256,
                                      platform::utf16ToUtf8(ombMswIniFileName()));
    return text;
  }
  static bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  static int count(const std::vector<LogCapture::Message>& messages, const std::u16string& part) {
    return static_cast<int>(std::count_if(messages.begin(), messages.end(), [&](const auto& m) {
      return m.text.find(part) != std::u16string::npos;
    }));
  }

  XdgHome home;
  LogCapture log;
  ConfigDisplaySettings display{};
  ConfigInputSettings input{};
};

TEST_F(SettingsDialogTest, UnseenRunConfirmsTheDefaultsAndLogsTheReport) {
  const DialogRun r = run("", false);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(value(u"default"), u"1");
  EXPECT_EQ(value(u"videoWidth"), u"1280");
  EXPECT_EQ(display.flags, CONFIG_DISPLAY_VALID);
  EXPECT_EQ(input.keyboardKeys[0], 200u);
  EXPECT_EQ(count(LogCapture::messages(), u"Configuration Lists.\r\nHeader\r\n"), 1);
  EXPECT_EQ(count(LogCapture::messages(), u"Video Setting\r\n  Adaptor: Software Raster"), 1);
  EXPECT_TRUE(r.output.empty());  // nothing was shown, nothing was asked of the driver
}

TEST_F(SettingsDialogTest, KeyboardKeysShowTheirNames) {
  // The report names each button's key; so does the keyboard's controller window.
  const DialogRun r = run("tab コントローラ\nclick 設定\ndump\nclick OK\nclick OK\n");
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(count(LogCapture::messages(), u"    上: Up\r\n    下: Down\r\n    左: Left\r\n"
                                          u"    右: Right\r\n    決定: Z\r\n    取消: X\r\n"),
            1);
  EXPECT_TRUE(has(r.output, "  edit \"Up\"")) << testing::PrintToString(r.output);
  EXPECT_TRUE(has(r.output, "  edit \"Z\""));
  EXPECT_FALSE(has(r.output, "unknown"));
}

TEST_F(SettingsDialogTest, LaterRunsLoadTheSavedChoice) {
  DialogRun first = run("tab ビデオ\nselect Window 800x600\nclick フリップを行わない\nclick OK\n");
  ASSERT_EQ(first.result, 1);
  EXPECT_EQ(value(u"videoColor"), u"2");
  EXPECT_EQ(value(u"videoNoFlip"), u"1");
  display = {};
  const DialogRun second = run("tab ビデオ\ndump\nclick キャンセル\n");
  EXPECT_EQ(second.result, int32_t(0x8000000b));
  EXPECT_TRUE(has(second.output, "  combo \"Window 800x600\" (Fullscreen 32bpp 1280x1024|"
                                 "Fullscreen 32bpp 1024x768|Window 800x600|Window 640x480)"))
      << testing::PrintToString(second.output);
  EXPECT_TRUE(has(second.output, "  check [x] \"フリップを行わない\""));
  EXPECT_EQ(display.width, 800);
}

TEST_F(SettingsDialogTest, CancelAndTheCloseBoxSaveNothing) {
  for (const char* actions : {"tab ビデオ\nclick フリップを行わない\nclick キャンセル\n",
                              "tab ビデオ\nclick フリップを行わない\nclose\n"}) {
    const DialogRun r = run(actions);
    EXPECT_EQ(r.result, int32_t(0x8000000b)) << actions;
    EXPECT_EQ(ini(), "") << actions;
    EXPECT_EQ(count(LogCapture::messages(), u"Configuration Lists."), 0);
  }
}

TEST_F(SettingsDialogTest, AWindowThatCannotBeMadeEndsEveryPage) {
  const DialogRun r = run("refuse Settings\n");
  EXPECT_EQ(r.result, int32_t(0x80000004));
  EXPECT_EQ(ini(), "");
}

TEST_F(SettingsDialogTest, InformationTabShowsTheReportAndPagesClaimTheirLabels) {
  const DialogRun r = run("dump\ntab ビデオ\ndump\nclick OK\n");
  ASSERT_GE(r.output.size(), 2u);
  EXPECT_EQ(r.output[0], "window \"Settings\"");
  EXPECT_NE(r.output[1].find("tab \"情報\""), std::string::npos);
  const auto report = std::find_if(r.output.begin(), r.output.end(), [](const std::string& l) {
    return l.rfind("  edit \"Header", 0) == 0;
  });
  EXPECT_NE(report, r.output.end());
  EXPECT_TRUE(has(r.output, "  label \"使用するビデオカード\""));
}

TEST_F(SettingsDialogTest, VideoPageOnTheProfiles) {
  struct Case {
    const char* profile;
    std::vector<std::string> shown;
    std::vector<std::u16string> logged;
  };
  const Case cases[] = {
      // The first adapter's textures are too small: only the second is offered.
      {"twoadapters", {"  combo \"Software Raster Adapter\" (Software Raster Adapter)"}, {}},
      {"nodxt", {"  check [ ] \"テクスチャの圧縮を行う\" disabled"}, {}},
      {"msaa",
       {"  combo \"なし\" (なし|2 samples|3 samples|4 samples)",
        "  check [ ] \"テクスチャの圧縮を行う\""},
       {}},
      {"none", {}, {u"Warning: [pluginOnInit] 使用可能なDirect3D9が見つかりません。"}},
  };
  for (const Case& c : cases) {
    LogCapture::messages().clear();
    const DialogRun r = run("tab ビデオ\ndump\nclick OK\n", true, c.profile);
    EXPECT_EQ(r.result, 1) << c.profile;
    for (const std::string& line : c.shown) {
      EXPECT_TRUE(has(r.output, line)) << c.profile << ": " << line << "\n"
                                       << testing::PrintToString(r.output);
    }
    for (const std::u16string& text : c.logged) {
      EXPECT_EQ(count(LogCapture::messages(), text), 1) << c.profile;
    }
  }
  // Without Direct3D the page has no controls and its report says so.
  EXPECT_EQ(count(LogCapture::messages(), u"Direct3D9が見つかりません。\r\n\r\n"), 1);
}

TEST_F(SettingsDialogTest, MultisampleIsKeptOnlyWhereOffered) {
  DialogRun r = run("tab ビデオ\nselect 4 samples\nclick OK\n", true, "msaa");
  EXPECT_EQ(value(u"videoMultisample"), u"3");
  // Another resolution resets the level.
  r = run("tab ビデオ\nselect Window 640x480\ndump\nclick OK\n", true, "msaa");
  EXPECT_TRUE(has(r.output, "  combo \"なし\" (なし|2 samples|3 samples|4 samples)"));
  EXPECT_EQ(value(u"videoMultisample"), u"0");
  platform::writePrivateProfileString(u"Config", u"videoMultisample", u"3",
                                      platform::utf16ToUtf8(ombMswIniFileName()));
  // The same choice on a card without anti-aliasing reads as none.
  run("", false, "default");
  EXPECT_EQ(display.multisample, 0);
  EXPECT_EQ(display.width, 640);
}

const std::string kTwoPads =
    "pad First axes 2 povs 0 buttons 8\npad Second axes 2 povs 0 buttons 8\n";

TEST_F(SettingsDialogTest, BindingAPadAutomaticallyAssignsItsInputs) {
  // Controller 1's window, then its device window; the second pad's button 3 goes down.
  const DialogRun r = run("tab コントローラ\nclick 設定 @2\nclick 設定\nwait 120\nclick OK\ndump\n"
                    "click OK\nclick OK\n",
                    true, "default", kTwoPads + "1 pad1 button 2 1\n");
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(input.padValid[0], 1u);
  const uint32_t expected[8] = {3, 4, 1, 2, 29, 30, 31, 32};
  EXPECT_TRUE(std::equal(expected, expected + 8, input.padButtons[0]));
  EXPECT_TRUE(has(r.output, "  edit \"Second\"")) << testing::PrintToString(r.output);
  EXPECT_TRUE(has(r.output, "  button \"上*\""));
  EXPECT_TRUE(has(r.output, "  edit \"方向ボタン3\""));
  EXPECT_EQ(value(u"guid0", u"configInputPadButtonSetting").empty(), false);
  EXPECT_EQ(value(u"button0_0", u"configInputPadButtonSetting"), u"3");
  EXPECT_EQ(value(u"guid1", u"configInputPadButtonSetting"), u"");
}

TEST_F(SettingsDialogTest, BindingAPadBoundElsewhereUnbindsTheOtherSlot) {
  const std::string pads = kTwoPads + "1 pad0 button 0 1\n3 pad0 button 0 0\n5 pad0 button 1 1\n";
  // Slot 1 takes the first pad; then slot 2 takes it too.
  const DialogRun r = run("tab コントローラ\n"
                    "click 設定 @2\nclick 設定\nwait 120\nclick OK\nclick OK\n"
                    "click 設定 @3\nclick 設定\nwait 120\nwait 120\nwait 120\nwait 120\nclick OK\n"
                    "click OK\ndump\nclick OK\n",
                    true, "default", pads);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(input.padValid[0], 0u);
  EXPECT_EQ(input.padValid[1], 1u);
  EXPECT_TRUE(has(r.output, "  edit \"なし\"")) << testing::PrintToString(r.output);
  EXPECT_TRUE(has(r.output, "  edit \"First\""));
}

TEST_F(SettingsDialogTest, PadButtonWindowSwapsCodesAndAsksAboutAnalogAxes) {
  // Bind the first pad to slot 1, then give 加速 (analog, optional) the X-minimum direction
  // that 左 holds: the two swap, and the answer makes it analog.
  const std::string pads = kTwoPads + "1 pad0 button 0 1\n3 pad0 axis x -900\n";
  const DialogRun r = run("tab コントローラ\nclick 設定 @2\nclick 設定\nwait 120\nclick OK\n"
                    "click 加速\nwait 120\nclick OK\nanswer yes\ndump\nclick OK\nclick OK\n",
                    true, "default", pads);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(input.padButtons[0][7], 1u);
  EXPECT_EQ(input.padButtonFlags[0][7], 1u);
  EXPECT_EQ(input.padButtons[0][2], 32u);  // 左 took 加速's old input
  EXPECT_TRUE(has(r.output, "  edit \"方向ボタン1(アナログ)\"")) << testing::PrintToString(r.output);
}

TEST_F(SettingsDialogTest, CancellingTheControllerWindowKeepsTheSettings) {
  const std::string pads = kTwoPads + "1 pad0 button 0 1\n";
  run("tab コントローラ\nclick 設定 @2\nclick 設定\nwait 120\nclick OK\nclick キャンセル\n"
      "click OK\n",
      true, "default", pads);
  EXPECT_EQ(input.padValid[0], 0u);
  EXPECT_EQ(value(u"inputPad0Instance"), u"");
}

TEST_F(SettingsDialogTest, AMissingRememberedPadWarnsOnce) {
  const std::string path = platform::utf16ToUtf8(ombMswIniFileName());
  auto write = [&](const char16_t* section, const char16_t* key, const char16_t* text) {
    platform::writePrivateProfileString(section, key, text, path);
  };
  write(u"Config", u"default", u"1");
  write(u"Config", u"inputPad0Instance", u"1_2_3_4");
  write(u"Config", u"inputPad0Type", u"0");
  write(u"Config", u"inputPad1Instance", u"5_6_7_8");
  write(u"Config", u"inputPad1Type", u"0");
  write(u"configInputPadButtonSetting", u"guid0", u"1_2_3_4");
  write(u"configInputPadButtonSetting", u"type0", u"0");
  run("", false, "default", kTwoPads);
  EXPECT_EQ(count(LogCapture::messages(),
                  u"Warning: [loadSetting] 前回使用したコントローラが見つかりませんでした。"),
            1);
  EXPECT_EQ(input.padValid[0] | input.padValid[1], 0u);
}

TEST_F(SettingsDialogTest, RememberedLayoutsReadTheirCodesAndStopAtAnEmptyGuid) {
  const std::string path = platform::utf16ToUtf8(ombMswIniFileName());
  auto write = [&](const char16_t* section, const char16_t* key, const std::u16string& text) {
    platform::writePrivateProfileString(section, key, text, path);
  };
  // Find the first scripted pad's identifier as the page writes it.
  run("tab コントローラ\nclick 設定 @2\nclick 設定\nwait 120\nclick OK\nclick OK\nclick OK\n",
      true, "default", kTwoPads + "1 pad0 button 0 1\n");
  const std::u16string guid = value(u"guid0", u"configInputPadButtonSetting");
  const char16_t* pad = u"configInputPadButtonSetting";
  write(pad, u"button0_0", u"61");
  write(pad, u"button0_1", u"0");
  write(pad, u"button0_2", u"60");
  write(pad, u"guid1", u"");
  write(pad, u"guid2", guid);
  write(pad, u"type2", u"1");
  run("", false, "default", kTwoPads);
  EXPECT_EQ(input.padValid[0], 1u);
  EXPECT_EQ(input.padButtons[0][0], 0u);
  EXPECT_EQ(input.padButtons[0][1], 0u);
  EXPECT_EQ(input.padButtons[0][2], 60u);
  // The group after the empty identifier was dropped when the page saved again.
  EXPECT_EQ(value(u"guid1", pad), u"");
  EXPECT_EQ(value(u"type2", pad), u"1");  // left in the file, never read
}

TEST_F(SettingsDialogTest, ThePadCountIsClampedToTheSlots) {
  const DialogRun r = run("tab コントローラ\ndump\nclick OK\n", true, "default", kTwoPads, 9);
  EXPECT_EQ(r.result, 1);
  EXPECT_TRUE(has(r.output, "  label \"コントローラ4\""));
  EXPECT_FALSE(has(r.output, "  label \"コントローラ5\""));
}

}  // namespace
