#include "platform/window/InstanceChannel.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <thread>

namespace pw = platform::window;

namespace {

// A private runtime directory for the test, so that no other program's names are met.
class RuntimeDirectory {
 public:
  explicit RuntimeDirectory(const std::string& path) {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    saved_ = old ? old : "";
    had_ = old != nullptr;
    setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
  }
  ~RuntimeDirectory() {
    if (had_) {
      setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }

 private:
  std::string saved_;
  bool had_;
};

std::string uniqueDirectory() {
  return "/instance-test/" + std::to_string(getpid()) + "/" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

// Polls until the holder has counted the requests that were sent.
uint32_t requestsArriving(pw::InstanceChannel& channel, uint32_t expected) {
  uint32_t total = 0;
  for (int i = 0; i < 500 && total < expected; ++i) {
    total += channel.takeFrontRequests();
    if (total < expected) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return total;
}

TEST(InstanceChannel, OneHolderPerNameAndSignalsReachIt) {
  RuntimeDirectory runtime(uniqueDirectory());
  EXPECT_FALSE(pw::signalInstance(u"Game_Class"));
  auto holder = pw::InstanceChannel::claim(u"Game_Class");
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(holder->takeFrontRequests(), 0u);
  EXPECT_EQ(pw::InstanceChannel::claim(u"Game_Class"), nullptr);
  // Another name is free.
  EXPECT_NE(pw::InstanceChannel::claim(u"Other_Class"), nullptr);

  EXPECT_TRUE(pw::signalInstance(u"Game_Class"));
  EXPECT_TRUE(pw::signalInstance(u"Game_Class"));
  EXPECT_EQ(requestsArriving(*holder, 2), 2u);
  EXPECT_EQ(holder->takeFrontRequests(), 0u);

  // Released with its holder.
  holder.reset();
  EXPECT_FALSE(pw::signalInstance(u"Game_Class"));
  EXPECT_NE(pw::InstanceChannel::claim(u"Game_Class"), nullptr);
}

TEST(InstanceChannel, RuntimeDirectoriesAndLongNamesStayApart) {
  const std::string long_name(200, 'x');
  const std::u16string name(long_name.begin(), long_name.end());
  std::unique_ptr<pw::InstanceChannel> first;
  {
    RuntimeDirectory runtime(uniqueDirectory());
    first = pw::InstanceChannel::claim(name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(pw::InstanceChannel::claim(name), nullptr);
  }
  RuntimeDirectory other(uniqueDirectory());
  EXPECT_FALSE(pw::signalInstance(name));
  EXPECT_NE(pw::InstanceChannel::claim(name), nullptr);
}

}  // namespace
