#include "render/L3DInstanceRegistry.h"

#include "render/tests/FakeObjectInstance.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> gReleased;

void ReleaseInstance(L3DObjectInstance* instance) {
  gReleased.push_back(instance->id);
  instance->registry->_RemoveObjectInstance(instance);
}

}  // namespace

TEST(L3DInstanceRegistryTest, InstancesLeaveTheListOnTheirOwnAndAllAtTheEnd) {
  L3DInstanceRegistry registry;
  L3DObjectInstance a{1, &registry}, b{2, &registry}, c{3, &registry}, stranger{4, &registry};
  registry.Add(&a);
  registry.Add(&b);
  registry.Add(&c);
  registry._RemoveObjectInstance(&stranger);
  EXPECT_EQ(registry.GetCount(), 3u);
  registry._RemoveObjectInstance(&b);
  registry._RemoveObjectInstance(&b);
  EXPECT_EQ(registry.GetCount(), 2u);
  gReleased.clear();
  registry.ReleaseAll(ReleaseInstance);
  EXPECT_EQ(gReleased, (std::vector<int>{1, 3}));
  EXPECT_EQ(registry.GetCount(), 0u);
}

TEST(L3DInstanceRegistryTest, AnInstanceThatStaysListedIsTakenOut) {
  L3DInstanceRegistry registry;
  L3DObjectInstance a{1, nullptr};
  registry.Add(&a);
  registry.ReleaseAll([](L3DObjectInstance*) {});
  EXPECT_EQ(registry.GetCount(), 0u);
}
