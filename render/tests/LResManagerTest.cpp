#include "render/LResManager.h"

#include "platform/text/Utf8.h"
#include "testsupport/LerrCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class LResManagerTest : public ::testing::Test {
 protected:
  template <class Call>
  std::string Fatal(Call call) {
    return platform::utf16ToUtf8(m_capture.FatalText(call));
  }
  LerrCapture m_capture;
  L3DNnidTable m_table;
};

}  // namespace

TEST_F(LResManagerTest, NamesAreFoundWithoutRegardToAsciiCase) {
  L3D_RENDERER_NNID* player = LResManager::AddNnid(m_table, "Player");
  EXPECT_STREQ(LResManager::GetNnidName(player), "player");
  EXPECT_EQ(LResManager::_FindNnid("PLAYER", m_table), player);
  EXPECT_EQ(LResManager::GetNnid(m_table, "pLaYeR"), player);
  EXPECT_EQ(LResManager::_FindNnid("Player2", m_table), nullptr);
  // Same byte sum, same bucket: the chain tells them apart.
  L3D_RENDERER_NNID* ab = LResManager::AddNnid(m_table, "ab");
  L3D_RENDERER_NNID* ba = LResManager::AddNnid(m_table, "ba");
  EXPECT_EQ(ab->bucket, ba->bucket);
  EXPECT_EQ(LResManager::_FindNnid("AB", m_table), ab);
  EXPECT_EQ(LResManager::_FindNnid("BA", m_table), ba);
  EXPECT_EQ(Fatal([&] { LResManager::AddNnid(m_table, "PLAYER"); }),
            "[LResManager::AddNnid] すでに名前 \"PLAYER\" は登録されている");
}

TEST_F(LResManagerTest, PreparationCutsAndSparesDoubleByteCharacters) {
  struct Case {
    const char* what;
    std::string added;
    std::string asked;
    bool same;
  };
  const std::string long263(263, 'q');
  const Case cases[] = {
      {"differs after the 263rd byte", long263 + "A", long263 + "B", true},
      {"differs at the 263rd byte", long263.substr(1) + "A", long263.substr(1) + "B", false},
      {"trail byte stays upper-case", "\x83" "AX", "\x83" "ax", false},
      {"letters after it are folded", "\x83" "AX", "\x83" "Ax", true},
      {"a lead byte cut off at the end", std::string(262, 'r') + "\x83" "A", std::string(262, 'r') + "\x83", true},
  };
  for (const Case& c : cases) {
    L3DNnidTable table;
    L3D_RENDERER_NNID* added = LResManager::AddNnid(table, c.added.c_str());
    EXPECT_LE(added->length, 263u) << c.what;
    EXPECT_EQ(LResManager::_FindNnid(c.asked.c_str(), table) == added, c.same) << c.what;
  }
}

TEST_F(LResManagerTest, HandlesSurviveTheTableGrowing) {
  L3D_RENDERER_NNID* first = LResManager::AddNnid(m_table, "system");
  std::vector<L3D_RENDERER_NNID*> all;
  for (int i = 0; i < 100; ++i) {
    all.push_back(LResManager::AddNnid(m_table, ("object" + std::to_string(i)).c_str()));
  }
  EXPECT_EQ(m_table.GetCount(), 101u);
  EXPECT_STREQ(LResManager::GetNnidName(first), "system");
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(LResManager::_FindNnid(("OBJECT" + std::to_string(i)).c_str(), m_table), all[i]);
  }
  m_table.Clear();
  EXPECT_EQ(LResManager::_FindNnid("system", m_table), nullptr);
  EXPECT_EQ(m_table.GetCount(), 0u);
}

TEST_F(LResManagerTest, MisuseIsFatal) {
  struct Case {
    const char* message;
    std::function<void(L3DNnidTable&)> call;
  };
  const Case cases[] = {
      {"[LResManager::AddNnid] 無名は無効", [](L3DNnidTable& t) { LResManager::AddNnid(t, ""); }},
      {"[LResManager::AddNnid] 無名は無効", [](L3DNnidTable& t) { LResManager::AddNnid(t, nullptr); }},
      {"[L3DRenderer::_CalcHash] 無名リソースに対してハッシュの計算が指示された",
       [](L3DNnidTable& t) { LResManager::_FindNnid("", t); }},
      {"[LResManager::GetNnid] 名前 \"ghost\" は登録されていません",
       [](L3DNnidTable& t) { LResManager::GetNnid(t, "ghost"); }},
      {"[LResManager::GetNnidName] 番号 0 は異常", [](L3DNnidTable&) { LResManager::GetNnidName(nullptr); }},
  };
  for (const Case& c : cases) EXPECT_EQ(Fatal([&] { c.call(m_table); }), c.message);
}
