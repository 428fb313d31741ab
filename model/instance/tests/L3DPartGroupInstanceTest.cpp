#include "model/instance/L3DPartGroupInstance.h"

#include "model/instance/tests/InstanceTestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

using modelfile::bone;

namespace {

modelfile::GroupEntry entry(uint32_t part, uint32_t parentPart = 0, uint32_t parentBone = 0) {
  modelfile::GroupEntry e;
  e.part = part;
  e.parentPart = parentPart;
  e.parentBone = parentBone;
  return e;
}

// Parts 1 to 6 named a to f; a has the bones root{x}, d the bone root.
modelfile::Model modelWithGroup(std::vector<modelfile::GroupEntry> entries) {
  modelfile::Model m;
  m.parts = {modelfile::partWithBones("a", {bone("root", {bone("x")})}),
             modelfile::partWithBones("b", {}),
             modelfile::partWithBones("c", {}),
             modelfile::partWithBones("d", {bone("root")}),
             modelfile::partWithBones("e", {}),
             modelfile::partWithBones("f", {})};
  modelfile::Group g;
  g.entries = std::move(entries);
  m.groups = {g};
  return m;
}

// Each level as "part<parent part.bone" texts, the bone by its name.
std::vector<std::vector<std::string>> describe(L3DPartGroupInstance& group) {
  std::vector<std::vector<std::string>> out;
  for (auto& level : items(group.levels)) {
    std::vector<std::string> names;
    for (uint32_t i = 0; i < level->count; ++i) {
      const L3D_PARTGROUPINST_ENTRY& e = level->entries[i];
      std::string s = e.part->data->name.GetText();
      if (e.parentPart) s += std::string("<") + e.parentPart->data->name.GetText();
      if (e.parentBone) s += "." + std::string(e.parentBone->data->name.text);
      names.push_back(s);
    }
    out.push_back(names);
  }
  return out;
}

struct GroupCase {
  const char* name;
  std::vector<modelfile::GroupEntry> entries;
  std::vector<std::vector<std::string>> levels;
};

// Keeps the case names, not their bytes, in the test list.
void PrintTo(const GroupCase& c, std::ostream* os) { *os << c.name; }

class PartGroupInstanceTest : public ::testing::TestWithParam<GroupCase> {};

TEST_P(PartGroupInstanceTest, LevelsFollowTheHierarchyBreadthFirst) {
  FakeOwner owner;
  owner.Build(loadModel(modelWithGroup(GetParam().entries)));
  L3DPartGroupInstance group;
  group.Build(owner.Self(), owner.objectData->partGroups.Front());
  EXPECT_EQ(describe(group), GetParam().levels);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PartGroupInstanceTest,
    ::testing::Values(
        GroupCase{"parents before children, siblings in list order",
                  {entry(3, 2), entry(1), entry(5, 4, 1), entry(2, 1, 2), entry(4), entry(6, 1)},
                  {{"a", "d"}, {"b<a.x", "f<a", "e<d.root"}, {"c<b"}}},
        GroupCase{"every entry with a parent: no level 0 and so no levels",
                  {entry(2, 1), entry(3, 2)},
                  {}},
        GroupCase{"a parent outside the reached parts leaves its child out",
                  {entry(1), entry(3, 2), entry(4, 1)},
                  {{"a"}, {"d<a"}}},
        // Part a listed as its own child: the levels stop at the group's entry count instead
        // of growing without end.
        GroupCase{"a part that is its own ancestor",
                  {entry(1), entry(1, 1)},
                  {{"a"}, {"a<a"}}}),
    [](const auto& info) {
      std::string s = info.param.name;
      for (char& c : s) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return s;
    });

}  // namespace
