#include "foundation/lerr/lerr.h"

#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerrRadixScratch.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombThread.h"
#include "foundation/omb/ombThreadFault.h"
#include "testsupport/LerrCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

class lerrTest : public ::testing::Test {
 protected:
  LerrCapture m_capture;
};

TEST_F(lerrTest, QueueModeThrowsQueuesOnceAndShowsOnce) {
  lerrSetMode(LERR_MODE_QUEUE);
  EXPECT_THROW(lerrFatal("[Test::run] broken %d", 7), LExceptGame);
  EXPECT_TRUE(m_capture.Boxes().empty());
  EXPECT_EQ(m_capture.Log(), "[Test::run] broken 7\r\n");

  lerrShowQueued();
  const auto boxes = m_capture.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"[Test::run] broken 7");
  EXPECT_EQ(boxes[0].caption, u"Code:QZ");
  EXPECT_EQ(boxes[0].type, platform::kMessageBoxIconWarning);

  lerrShowQueued();
  EXPECT_EQ(m_capture.Boxes().size(), 1u);
}

// Each mode bit acts on its own: a box at once, a copy for later, both or neither.
TEST_F(lerrTest, ModeBitsChooseBoxNowAndBoxLater) {
  struct Case {
    uint32_t mode;
    size_t boxesAtOnce;
    size_t boxesLater;
  };
  const Case cases[] = {{0, 0, 0}, {LERR_MODE_SHOW, 1, 0}, {LERR_MODE_QUEUE, 0, 1}, {3, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    lerrSetMode(c.mode);
    const size_t start = m_capture.Boxes().size();
    lerrWarning("warned %s", "once");
    EXPECT_EQ(m_capture.Boxes().size() - start, c.boxesAtOnce);
    lerrShowQueued();
    EXPECT_EQ(m_capture.Boxes().size() - start, c.boxesAtOnce + c.boxesLater);
    for (size_t i = start; i < m_capture.Boxes().size(); ++i) {
      EXPECT_EQ(m_capture.Boxes()[i].text, u"warned once");
    }
  }
}

TEST_F(lerrTest, QueuedMessagesAreShownInOrder) {
  lerrSetMode(LERR_MODE_QUEUE);
  lerrWarning("first");
  EXPECT_THROW(lerrFatal("second"), LExceptGame);
  lerrReport("third");
  lerrShowQueued();
  const auto boxes = m_capture.Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, u"first");
  EXPECT_EQ(boxes[1].text, u"second");
  EXPECT_EQ(boxes[2].text, u"third");
}

TEST_F(lerrTest, ThresholdDropsHigherLevelsButNeverReports) {
  struct Case {
    int32_t threshold;
    int32_t level;
    bool written;
  };
  const Case cases[] = {{2, 0, true}, {2, 2, true}, {2, 3, false}, {0, 0, true}, {0, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "threshold " << c.threshold << " level " << c.level);
    lerrSetThreshold(c.threshold);
    const std::string before = m_capture.Log();
    lerrLog(c.level, "line %d", c.level);
    const std::string expected = "line " + std::to_string(c.level) + "\r\n";
    EXPECT_EQ(m_capture.Log(), before + (c.written ? expected : ""));
  }
  // A reported message is level 0, so the threshold the host runs with still writes it.
  lerrSetThreshold(0);
  lerrSetMode(0);
  const std::string before = m_capture.Log();
  lerrWarning("reported");
  EXPECT_EQ(m_capture.Log(), before + "reported\r\n");
}

TEST_F(lerrTest, LogLineOfNullWritesOnlyTheLineEnd) {
  lerrLogLine(nullptr, 0);
  EXPECT_EQ(m_capture.Log(), "\r\n");
}

TEST_F(lerrTest, LongMessagesAreCutTo2071BytesEverywhere) {
  lerrSetMode(LERR_MODE_SHOW | LERR_MODE_QUEUE);
  const std::string text(3000, 'x');
  EXPECT_THROW(lerrFatal("%s", text.c_str()), LExceptGame);
  lerrShowQueued();
  const std::u16string cut(2071, u'x');
  EXPECT_EQ(m_capture.Log(), std::string(2071, 'x') + "\r\n");
  const auto boxes = m_capture.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, cut);  // shown at once
  EXPECT_EQ(boxes[1].text, cut);  // the queued copy
}

// Japanese message texts reach the outputs as code page 932, not as the source's UTF-8.
TEST_F(lerrTest, FixedTextsAreCodePage932) {
  EXPECT_EQ(lerrText(u"[lfm] パック(%d)"), "[lfm] \x83\x70\x83\x62\x83\x4E(%d)");
  EXPECT_EQ(lerrText(u"\U0001F600"), "??");
  lerrSetMode(LERR_MODE_SHOW);
  lerrWarning(lerrText(u"ファイル \"%s\" を開けませんでした。").c_str(), "a.dat");
  ASSERT_EQ(m_capture.Boxes().size(), 1u);
  EXPECT_EQ(m_capture.Boxes()[0].text, u"ファイル \"a.dat\" を開けませんでした。");
  EXPECT_EQ(m_capture.Log(), lerrText(u"ファイル \"a.dat\" を開けませんでした。") + "\r\n");
}

// Several threads report at once: every message arrives whole and none is lost.
TEST_F(lerrTest, ConcurrentReportsAreAllQueuedWhole) {
  lerrSetMode(LERR_MODE_QUEUE);
  constexpr int kThreads = 4;
  constexpr int kEach = 100;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) lerrWarning("thread %d message %03d", t, i);
    });
  }
  for (auto& thread : threads) thread.join();
  lerrShowQueued();
  const auto boxes = m_capture.Boxes();
  ASSERT_EQ(boxes.size(), static_cast<size_t>(kThreads * kEach));
  std::vector<int> next(kThreads, 0);
  for (const auto& box : boxes) {
    ASSERT_EQ(box.text.size(), std::u16string_view(u"thread 0 message 000").size());
    const int t = box.text[7] - u'0';
    ASSERT_GE(t, 0);
    ASSERT_LT(t, kThreads);
    const int i = (box.text[17] - u'0') * 100 + (box.text[18] - u'0') * 10 + (box.text[19] - u'0');
    EXPECT_EQ(i, next[t]++);  // each thread's messages keep their order
  }
}

uint32_t fatalOnWorker(void*) { lerrFatal("[Worker::run] failed on a worker"); }

// A fatal error on a worker thread does not end the process: the thread's entry hands the
// LExceptGame to the game thread, which rethrows it.
TEST_F(lerrTest, FatalOnAWorkerThreadReachesTheGameThread) {
  ombCoreInit();
  lerrSetMode(LERR_MODE_QUEUE);
  OMB_THREAD* thread = nullptr;
  ASSERT_EQ(ombThreadCreate(&thread, &fatalOnWorker, nullptr, OMB_THREAD_PRIORITY_NORMAL, 0),
            OMB_OK);
  ASSERT_TRUE(thread->wait(platform::kWaitForever));
  uint32_t code = 0;
  EXPECT_TRUE(thread->exitCode(&code));
  thread->close();
  EXPECT_EQ(code, OMB_THREAD_FAULT_EXIT_CODE);
  EXPECT_THROW(ombThreadFaultRethrow(), LExceptGame);
  lerrShowQueued();
  ASSERT_EQ(m_capture.Boxes().size(), 1u);
  EXPECT_EQ(m_capture.Boxes()[0].text, u"[Worker::run] failed on a worker");
}

TEST_F(lerrTest, TermEmptiesTheQueueAndFreesTheScratchBuffers) {
  lerrRadixScratch(0).Reserve(1000);
  lerrRadixScratch(1).Reserve(10);
  EXPECT_EQ(lerrRadixScratch(0).GetCapacity(), 1024u);
  EXPECT_EQ(lerrRadixScratch(1).GetCapacity(), 256u);
  lerrSetMode(LERR_MODE_QUEUE);
  lerrWarning("dropped");
  lerrTerm();
  EXPECT_EQ(lerrRadixScratch(0).GetCapacity(), 0u);
  EXPECT_EQ(lerrRadixScratch(1).GetCapacity(), 0u);
  lerrShowQueued();
  EXPECT_TRUE(m_capture.Boxes().empty());
  // The module keeps working after lerrTerm.
  lerrWarning("after");
  lerrShowQueued();
  ASSERT_EQ(m_capture.Boxes().size(), 1u);
  EXPECT_EQ(m_capture.Boxes()[0].text, u"after");
}

}  // namespace
