#include "platform/window/HeadlessBackend.h"

#include "platform/kernel/Clock.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/MessageScript.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform::window {
namespace {

std::mutex cursorLock;
Point cursor;

class HeadlessWindow final : public Window {
 public:
  explicit HeadlessWindow(const CreateParams& params) : created_(platform::clock().milliseconds()) {
    state_.title = params.title;
    state_.frame = params.frame;
    state_.fullScreen = params.fullScreen;
    if (const char* text = std::getenv(kMessageScriptVariable)) {
      std::string error;
      script_ = parseMessageScript(text, error);
      if (!error.empty()) std::fprintf(stderr, "window: %s; the script is ignored\n", error.c_str());
    }
  }

  bool peekMessage() override {
    advance();
    return queue_.waiting();
  }

  ReadResult getMessage(Message& out) override {
    advance();
    return queue_.take(out);
  }

  void post(const Message& message) override { queue_.post(message); }

  void answer(const Message&, intptr_t result) override {
    std::lock_guard<std::mutex> hold(lock_);
    state_.lastAnswer = result;
  }

  void show() override { update([&] { state_.visible = true; state_.topMost = state_.fullScreen; }); }
  void hide() override { update([&] { state_.visible = false; }); }
  void moveTo(int32_t x, int32_t y) override {
    update([&] {
      const int32_t w = state_.frame.width();
      const int32_t h = state_.frame.height();
      state_.frame = {x, y, x + w, y + h};
    });
  }
  void setMouseCapture(bool on) override { update([&] { state_.mouseCaptured = on; }); }
  void bringToFront() override { update([&] { ++state_.frontRequests; }); }

  void showFrame(const FrameView& frame) override {
    update([&] {
      ++state_.framesShown;
      state_.lastFrameWidth = frame.width;
      state_.lastFrameHeight = frame.height;
      state_.lastFramePixel = 0;
      if (frame.pixels && frame.width && frame.height) {
        std::memcpy(&state_.lastFramePixel, frame.pixels, sizeof state_.lastFramePixel);
      }
    });
  }

  WindowState state() const override {
    std::lock_guard<std::mutex> hold(lock_);
    return state_;
  }

 private:
  template <class F>
  void update(F change) {
    std::lock_guard<std::mutex> hold(lock_);
    change();
  }

  // Moves the script entries that are due into the queue.
  void advance() {
    std::lock_guard<std::mutex> hold(lock_);
    if (takeTerminationSignal()) queue_.postQuit();
    const uint32_t now = platform::clock().milliseconds() - created_;
    while (next_ < script_.size() && script_[next_].at <= now) {
      const ScriptEntry& e = script_[next_++];
      switch (e.action) {
        case ScriptEntry::Action::Post: queue_.post(e.message); break;
        case ScriptEntry::Action::Fail: queue_.postFailure(); break;
        case ScriptEntry::Action::Quit: queue_.postQuit(); break;
        case ScriptEntry::Action::Cursor: {
          std::lock_guard<std::mutex> hold(cursorLock);
          cursor = e.cursor;
          break;
        }
      }
    }
  }

  mutable std::mutex lock_;
  WindowState state_;
  MessageQueue queue_;
  std::vector<ScriptEntry> script_;
  std::size_t next_ = 0;
  uint32_t created_;
};

class HeadlessBackend final : public Backend {
 public:
  const char* name() const override { return "headless"; }
  std::unique_ptr<Window> create(const CreateParams& params) override {
    return std::make_unique<HeadlessWindow>(params);
  }
  Rect adjustRect(const Rect& client, bool fullScreen) const override {
    if (fullScreen) return client;
    return {client.left - kHeadlessBorder, client.top - kHeadlessBorder - kHeadlessCaption,
            client.right + kHeadlessBorder, client.bottom + kHeadlessBorder};
  }
  Point screenSize() const override { return kHeadlessScreen; }
  Point cursorPosition() const override {
    std::lock_guard<std::mutex> hold(cursorLock);
    return cursor;
  }
  bool keepAwake() override { return true; }
};

}  // namespace

std::unique_ptr<Backend> createHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace platform::window
