// The end of an engine's run with a network session: the ready hand-shake and its wait.

#include "host/engine/EngineSession.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A session whose peer becomes ready, or goes away, after a number of frame waits.
class FakeSession final : public EngineSession {
 public:
  FakeSession(int readyAfter, int closedAfter) : readyAfter_(readyAfter), closedAfter_(closedAfter) {}

  bool active() const override { return true; }
  void start() override {}
  uint32_t seed() const override { return 0; }
  void setReady() override { calls += "ready "; }
  bool isReady() const override { return readyAfter_ >= 0 && waits >= readyAfter_; }
  bool waitFrame() override {
    ++waits;
    return false;
  }
  bool closed() const override { return closedAfter_ >= 0 && waits >= closedAfter_; }
  void end() override { calls += "end"; }
  int32_t playerCount() const override { return 2; }
  int32_t playerIndex() const override { return 0; }
  bool connected(int32_t) const override { return true; }
  void setLocalInput(const InputSource*) override {}
  bool playerInput(uint32_t, InputSource&) override { return false; }
  void release() override {}

  int waits = 0;
  std::string calls;

 private:
  int readyAfter_;
  int closedAfter_;
};

TEST(EngineSession, TheEndWaitsForThePeerAndEndsTheGame) {
  struct Case {
    const char* name;
    bool anyFrameRan;
    int readyAfter;
    int closedAfter;
    int waits;
    const char* calls;
  } cases[] = {
      {"ready after three waits", true, 3, -1, 3, "end"},
      {"already ready", true, 0, -1, 0, "end"},
      {"no frame ran: ready is told first", false, 2, -1, 2, "ready end"},
      // A peer that disconnected or timed out never becomes ready: the wait ends anyway.
      {"peer gone while waiting", true, -1, 4, 4, "end"},
      {"peer gone before the end", false, -1, 0, 0, "ready end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSession session(c.readyAfter, c.closedAfter);
    engineFinishSession(session, c.anyFrameRan);
    EXPECT_EQ(session.waits, c.waits);
    EXPECT_EQ(session.calls, c.calls);
  }
}

TEST(EngineSession, NoSessionAnswersAsAGameWithoutOne) {
  NoSession none;
  engineFinishSession(none, false);
  EXPECT_FALSE(none.active());
  EXPECT_TRUE(none.isReady());
  EXPECT_EQ(none.playerCount(), 1);
  EXPECT_EQ(none.playerIndex(), -1);
  EXPECT_FALSE(none.connected(0));
  EXPECT_FALSE(none.waitFrame());
}

}  // namespace
