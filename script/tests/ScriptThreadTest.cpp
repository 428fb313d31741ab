// Script threads: loading compiled scripts from the archives or the disk, the per-frame resume of
// `work`, the context a script sees, and what failures report.

#include "script/ScriptThread.h"

#include "testsupport/FileBytes.h"
#include "testsupport/TempDir.h"
#include "testsupport/script/ScriptTestSupport.h"

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

namespace fs = std::filesystem;
using scripttest::ScriptTest;
using scripttest::u16;
using scripttest::u8;

class ScriptThreadTest : public ScriptTest {
 protected:
  ScriptObject load(const char* path) { return thread->loadWithInit(u16(path).c_str(), nullptr, nullptr); }
  ScriptObject global(const char* name) {
    return thread->vm.getRootTable().findSlot(u16(name).c_str());
  }
  static int32_t integer(const ScriptObject& value) {
    EXPECT_EQ(value.getType(), OT_INTEGER);
    return value.toInteger();
  }
  std::string dir() const { return thread->context.dir ? u8(thread->context.dir) : "(null)"; }

  scripttest::FixtureArchive archive;
};

TEST_F(ScriptThreadTest, WorkThatSuspendsInALoopRunsOneIterationPerResume) {
  EXPECT_EQ(u8(load("frames/main").toString()), "ready");
  EXPECT_EQ(dir(), "frames/");
  for (int32_t frame = 1; frame <= 3; ++frame) {
    EXPECT_EQ(integer(thread->resume()), frame);
    EXPECT_EQ(integer(global("count")), frame);
  }
  // Two wake-ups so far, each giving the script null as the value of its suspend call.
  const ScriptObject woken = global("woken");
  ASSERT_EQ(woken.getSize(), 2);
  EXPECT_TRUE(woken.findSlotByIndex(0).isNull());
  EXPECT_TRUE(woken.findSlotByIndex(1).isNull());
  EXPECT_TRUE(LogCapture::messages().empty());
}

TEST_F(ScriptThreadTest, AValueReturnedByWorkArrivesOnce) {
  EXPECT_TRUE(load("returns/main").isNull());
  EXPECT_EQ(integer(thread->resume()), 42);
  EXPECT_TRUE(thread->resume().isNull());
  EXPECT_TRUE(thread->resume().isNull());
  EXPECT_EQ(integer(global("calls")), 1);
}

TEST_F(ScriptThreadTest, AMissingScriptGivesNothingAndLogsNothing) {
  EXPECT_TRUE(load("absent/main").isNull());
  EXPECT_EQ(thread->context.dir, nullptr);
  EXPECT_FALSE(thread->startPending);
  EXPECT_TRUE(thread->resume().isNull());
  EXPECT_TRUE(LogCapture::messages().empty());
}

TEST_F(ScriptThreadTest, ScriptsWithoutInitOrWorkGiveNull) {
  struct Case {
    const char* path;
    int32_t init;  // -1: null
  };
  for (const Case c : {Case{"plain/main", -1}, Case{"nullwork/main", 7}}) {
    SCOPED_TRACE(c.path);
    thread = std::make_unique<ScriptThread>(&manager, manager.newTable(nullptr));
    const ScriptObject init = load(c.path);
    if (c.init < 0) {
      EXPECT_TRUE(init.isNull());
    } else {
      EXPECT_EQ(integer(init), c.init);
    }
    EXPECT_TRUE(thread->resume().isNull());
    EXPECT_TRUE(thread->resume().isNull());
  }
  EXPECT_TRUE(errors().empty());
}

TEST_F(ScriptThreadTest, TheDirectoryIsInternedInLowerCase) {
  EXPECT_EQ(u8(load("Case/Stage/Main").toString()), "../../");
  EXPECT_EQ(dir(), "case/stage/");
  EXPECT_EQ(thread->context.dir, manager.internDirectory(u"CASE/stage"));
}

TEST_F(ScriptThreadTest, LoadRelativeResolvesAgainstTheBaseDirectory) {
  EXPECT_EQ(u8(thread->loadRelative(u"sysrun/sub/", u"../../frames/main", nullptr, nullptr)
                  .toString()),
            "ready");
  EXPECT_EQ(dir(), "frames/");
}

TEST_F(ScriptThreadTest, TheContextCarriesTheOwnersPointers) {
  int engine = 0;
  int self = 0;
  thread->load(u"returns/main", &engine, &self, false);
  EXPECT_EQ(thread->context.engine, &engine);
  EXPECT_EQ(thread->context.self, &self);
  EXPECT_EQ(thread->context.thread, thread.get());
  EXPECT_EQ(scriptFindContext(thread->vm.vm), &thread->context);
  EXPECT_EQ(scriptFindManager(thread->vm.vm), &manager);
}

TEST_F(ScriptThreadTest, ARunTimeErrorInTheSecondFrameReportsTheCallStackAndStops) {
  load("failing/main");
  EXPECT_EQ(integer(thread->resume()), 1);
  EXPECT_TRUE(thread->resume().isNull());
  const std::vector<std::string> report = {
      "[] Script Runtime Error: bad frame 21",
      "[CALLSTACK]",
      "*FUNCTION [fail()] main.nut line [4]\n",
      "*FUNCTION [work()] main.nut line [11]\n",
      "",
      "[LOCAL VAR]",
      // Each frame's locals, the last declared first.
      "[half] 21",
      "[n] 42",
      "[this] TABLE",
      "[label] \"second\"",
      "[answer] 42",
      "[this] TABLE",
  };
  EXPECT_EQ(logged(OMB_LOG_DEBUG), report);
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: can't continue script"});
  // The thread is finished: nothing is suspended any more.
  clearLog();
  EXPECT_FALSE(thread->vm.isSuspended());
  EXPECT_EQ(thread->vm.suspendedTop, -1);
  EXPECT_TRUE(thread->resume().isNull());
  EXPECT_TRUE(LogCapture::messages().empty());
}

TEST_F(ScriptThreadTest, ANestedRunWorksUntilTheFirstSuspendOnly) {
  load("nested/main");
  EXPECT_EQ(integer(thread->resume()), 1);
  EXPECT_EQ(u8(global("first").toString()), "leaf ../");
  EXPECT_TRUE(errors().empty());
  // While the woken work runs, the wake-up's pending call is still recorded.
  EXPECT_TRUE(thread->resume().isNull());
  EXPECT_EQ(errors(), std::vector<std::string>{
                          "[] Script Error: can't prepare script because vm suspends now"});
  EXPECT_EQ(thread->context.dir, manager.internDirectory(u"nested"));
}

TEST_F(ScriptThreadTest, CallsAreRefusedWhileASuspendedCallIsPending) {
  load("frames/main");
  thread->resume();
  ASSERT_GE(thread->vm.suspendedTop, 0);
  const int32_t top = sq_gettop(thread->vm.vm);
  const ScriptObject work = global("work");
  EXPECT_TRUE(thread->vm.prepareCall(work).pushInteger(1).run().isNull());
  EXPECT_EQ(errors(), std::vector<std::string>{
                          "[] Script Error: can't prepare script because vm suspends now"});
  EXPECT_EQ(sq_gettop(thread->vm.vm), top);
  // The refused call left the suspended one intact.
  EXPECT_EQ(integer(thread->resume()), 2);
}

TEST_F(ScriptThreadTest, WakingAThreadWithNothingSuspendedIsAnError) {
  EXPECT_TRUE(thread->vm.wakeUp().isNull());
  EXPECT_EQ(errors(), std::vector<std::string>{
                          "[] Script Error: can't wake up because no script is running yet"});
}

TEST_F(ScriptThreadTest, DeletingASuspendedThreadReleasesItWithoutResuming) {
  load("frames/main");
  thread->resume();
  ASSERT_TRUE(thread->vm.isSuspended());
  thread.reset();
  EXPECT_EQ(manager.threads.count, 0u);
  // The machine goes on: another thread runs the same script from the start.
  thread = std::make_unique<ScriptThread>(&manager, manager.newTable(nullptr));
  load("frames/main");
  EXPECT_EQ(integer(thread->resume()), 1);
}

TEST_F(ScriptThreadTest, ADestroyedManagerDeletesTheThreadsItStillLists) {
  auto other = std::make_unique<ScriptManager>();
  ScriptObject parent = other->newTable(nullptr);
  for (int i = 0; i < 3; ++i) {
    auto* orphan = new ScriptThread(other.get(), parent);
    orphan->load(u"frames/main", nullptr, nullptr, true);
    EXPECT_EQ(integer(orphan->resume()), 1);
  }
  EXPECT_EQ(other->threads.count, 3u);
  // Handles go before their manager; the sanitizer build checks that every thread is freed.
  parent = ScriptObject();
  other.reset();
}

TEST_F(ScriptThreadTest, ScriptsAreReadFromTheDiskToo) {
  const std::string path = std::string(TEST_SCRIPTS_DIR) + "/returns/main";
  load(path.c_str());
  EXPECT_EQ(integer(thread->resume()), 42);
}

class MalformedScriptTest : public ScriptTest {
 protected:
  // Writes the bytes as NAME.cnut and loads the closure (without running it).
  ScriptObject loadBytes(const std::vector<char>& bytes) {
    {
      std::ofstream out(folder_ / "bad.cnut", std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ScriptObject closure;
    const std::u16string path = u16((folder_ / "bad").string());
    EXPECT_NE(loadCompiledScript(path.c_str(), thread.get(), closure), nullptr);
    return closure;
  }
  static std::vector<char> compiled(const char* relative) {
    const std::string bytes = readFileText(fs::path(TEST_SCRIPTS_DIR) / relative);
    return std::vector<char>(bytes.begin(), bytes.end());
  }

  TempDir temp_{TEST_BINARY_DIR, "malformed"};
  fs::path folder_ = temp_.path();
};

TEST_F(MalformedScriptTest, AStreamThatIsNoClosureCannotBeRead) {
  const std::string text = "this is not a compiled script at all";
  EXPECT_TRUE(loadBytes(std::vector<char>(text.begin(), text.end())).isNull());
  EXPECT_EQ(errors(), std::vector<std::string>{"[] Script Error: can't read a closure"});
}

TEST_F(MalformedScriptTest, ATruncatedStreamIsAShortRead) {
  std::vector<char> bytes = compiled("frames/main.cnut");
  ASSERT_GT(bytes.size(), 40u);
  bytes.resize(bytes.size() / 2);
  EXPECT_TRUE(loadBytes(bytes).isNull());
  const std::vector<std::string> all = errors();
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.front(), "Error: [File::read] ファイル操作でエラーが発生しました。");
  EXPECT_EQ(all.back(), "[] Script Error: can't read a closure");
}

TEST_F(MalformedScriptTest, MutatedStreamsNeverCrashTheReader) {
  const std::vector<char> original = compiled("failing/main.cnut");
  ASSERT_FALSE(original.empty());
  std::mt19937 random(20240611);
  int refused = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<char> bytes = original;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < edits; ++i) {
      bytes[random() % bytes.size()] = static_cast<char>(random());
    }
    if (round % 5 == 0) {
      bytes.resize(random() % bytes.size());
    }
    clearLog();
    const ScriptObject closure = loadBytes(bytes);
    if (closure.isNull()) {
      ++refused;
      ASSERT_FALSE(errors().empty());
      EXPECT_EQ(errors().back(), "[] Script Error: can't read a closure");
    } else {
      EXPECT_EQ(closure.getType(), OT_CLOSURE);
    }
  }
  EXPECT_GT(refused, 0);
}

}  // namespace
