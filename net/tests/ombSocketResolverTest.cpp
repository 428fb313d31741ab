#include "net/omb/ombSocketResolver.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombResult.h"
#include "net/omb/ombSocket.h"
#include "net/tests/LookupGate.h"
#include "platform/net/HostLookup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class ombSocketResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ombCoreInit();
    ombSocketInit();
    LookupGate::reset();
  }

  static uint32_t flagsOf(OMB_RESOLVER* resolver) {
    platform::RecursiveMutexHold hold(*resolver->lock);
    return resolver->flags;
  }
  static bool waitFlags(OMB_RESOLVER* resolver, uint32_t flags) {
    for (int i = 0; i < 2000; ++i) {
      if (flagsOf(resolver) == flags) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
};

TEST_F(ombSocketResolverTest, ResultWaitsForTheLookUpAndFreesTheRecord) {
  LookupGate gate;
  OMB_RESOLVER* resolver = _ombSocketResolveStart("localhost");
  ASSERT_NE(resolver, nullptr);
  ASSERT_TRUE(LookupGate::waitEntered(1));
  uint32_t address = 0;
  EXPECT_EQ(_ombSocketResolveGetResult(resolver, &address), OMB_ERR_PENDING);
  EXPECT_EQ(flagsOf(resolver), OMB_RESOLVER_RUNNING);
  LookupGate::open();
  ASSERT_TRUE(waitFlags(resolver, OMB_RESOLVER_READY));
  EXPECT_EQ(_ombSocketResolveGetResult(resolver, &address), OMB_OK);
  EXPECT_EQ(address, *platform::net::parseIpv4("127.0.0.1"));
  EXPECT_EQ(flagsOf(resolver), 0u);

  // The idle record, thread and all, takes the next name.
  const uint32_t records = _ombSocketResolverGetCount();
  EXPECT_EQ(_ombSocketResolveStart("no.such.name"), resolver);
  EXPECT_EQ(_ombSocketResolverGetCount(), records);
  ASSERT_TRUE(waitFlags(resolver, OMB_RESOLVER_READY));
  EXPECT_EQ(_ombSocketResolveGetResult(resolver, &address), OMB_OK);
  EXPECT_EQ(address, OMB_RESOLVER_NO_ADDRESS);
}

TEST_F(ombSocketResolverTest, CancelledLookUpIsThrownAwayWhenItReturns) {
  LookupGate gate;
  OMB_RESOLVER* running = _ombSocketResolveStart("localhost");
  ASSERT_TRUE(LookupGate::waitEntered(1));
  _ombSocketResolveCancel(running);
  EXPECT_EQ(flagsOf(running), OMB_RESOLVER_RUNNING | OMB_RESOLVER_DISCARD);
  // A busy record is not handed out again.
  OMB_RESOLVER* other = _ombSocketResolveStart("127.0.0.2");
  EXPECT_NE(other, running);
  LookupGate::open();
  ASSERT_TRUE(waitFlags(running, 0));
  ASSERT_TRUE(waitFlags(other, OMB_RESOLVER_READY));
  uint32_t address = 0;
  EXPECT_EQ(_ombSocketResolveGetResult(other, &address), OMB_OK);
  EXPECT_EQ(address, *platform::net::parseIpv4("127.0.0.2"));
}

TEST_F(ombSocketResolverTest, SystemLookUpOfLocalhost) {
  OMB_RESOLVER* resolver = _ombSocketResolveStart("localhost");
  ASSERT_NE(resolver, nullptr);
  uint32_t address = 0;
  int32_t result = OMB_ERR_PENDING;
  for (int i = 0; i < 2000 && result == OMB_ERR_PENDING; ++i) {
    result = _ombSocketResolveGetResult(resolver, &address);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(result, OMB_OK);
  EXPECT_EQ(address & 0xFF, 127u);  // network byte order: the first byte leads
}

}  // namespace
