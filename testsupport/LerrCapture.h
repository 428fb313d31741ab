#pragma once

#include "foundation/dbtl/DDebug.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerr.h"
#include "platform/ui/MessageService.h"
#include "testsupport/DMemorySource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Puts the error module into a known state for one test: the base library's debug log goes to
// memory, boxes are captured, and mode and threshold are restored afterwards.
class LerrCapture {
 public:
  LerrCapture() {
    m_source.Create(1);
    dbtl::DDebug& log = dbtl::DDebug::Global();
    log.SetFileOpen(false);
    log.GetFile().Close();
    log.GetFile().OpenOverride("log", m_source);
    log.SetFileOpen(true);
    lerrTerm();
  }
  ~LerrCapture() {
    lerrTerm();
    lerrSetMode(LERR_MODE_SHOW);
    lerrSetThreshold(2);
    dbtl::DDebug& log = dbtl::DDebug::Global();
    log.SetFileOpen(false);
    log.GetFile().Close();
  }
  LerrCapture(const LerrCapture&) = delete;
  LerrCapture& operator=(const LerrCapture&) = delete;

  // What reached the debug log so far (line ends as written there: CR LF).
  std::string Log() const { return std::string(m_source->data.begin(), m_source->data.end()); }
  std::vector<platform::MessageBoxRecord> Boxes() const { return m_boxes.records(); }

  // Runs the call, which must end with a fatal error, in queue mode, and returns the message
  // as the message box shows it (UTF-16).
  template <class Call>
  std::u16string FatalText(Call call) {
    const uint32_t mode = lerrGetMode();
    lerrSetMode(LERR_MODE_QUEUE);
    const size_t before = Boxes().size();
    bool thrown = false;
    try {
      call();
    } catch (const LExceptGame&) {
      thrown = true;
    }
    lerrShowQueued();
    lerrSetMode(mode);
    EXPECT_TRUE(thrown) << "no fatal error";
    const auto boxes = Boxes();
    if (boxes.size() != before + 1) {
      ADD_FAILURE() << "expected one message, got " << boxes.size() - before;
      return {};
    }
    return boxes.back().text;
  }

 private:
  dbtl::rcptr<DMemorySource> m_source;
  platform::MessageBoxCapture m_boxes;
};
