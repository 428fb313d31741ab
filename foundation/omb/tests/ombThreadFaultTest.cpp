#include "foundation/omb/ombThreadFault.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombThread.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

uint32_t throwWithText(void* data) {
  throw std::runtime_error(static_cast<const char*>(data));
}

uint32_t runJoined(const char* text) {
  OMB_THREAD* thread = nullptr;
  EXPECT_EQ(ombThreadCreate(&thread, &throwWithText, const_cast<char*>(text),
                            OMB_THREAD_PRIORITY_NORMAL, 0),
            OMB_OK);
  EXPECT_TRUE(thread->wait(platform::kWaitForever));
  uint32_t code = 0;
  EXPECT_TRUE(thread->exitCode(&code));
  thread->close();
  return code;
}

// A throwing thread procedure neither ends the process nor loses the error: the game thread
// receives the first one, once.
TEST(ombThreadFault, ThrowOnAWorkerReachesTheGameThreadOnce) {
  ombCoreInit();
  ombThreadFaultRethrow();  // nothing pending: no effect
  EXPECT_EQ(runJoined("first"), OMB_THREAD_FAULT_EXIT_CODE);
  EXPECT_EQ(runJoined("second"), OMB_THREAD_FAULT_EXIT_CODE);
  ASSERT_TRUE(ombThreadFaultPending());
  try {
    ombThreadFaultRethrow();
    FAIL() << "nothing was rethrown";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "first");
  }
  EXPECT_FALSE(ombThreadFaultPending());
  EXPECT_NO_THROW(ombThreadFaultRethrow());
}

TEST(ombThreadFault, GuardPassesResultsThrough) {
  EXPECT_EQ(ombThreadFaultGuard(-1, [] { return 5; }), 5);
  EXPECT_FALSE(ombThreadFaultPending());
}

}  // namespace
