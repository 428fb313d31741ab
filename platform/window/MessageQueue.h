#pragma once

#include "platform/window/WindowMessage.h"

#include <deque>
#include <mutex>

namespace platform::window {

// A window's message queue, shared by the backends: messages and read failures in order, and
// the quit request, which is given only once no message waits (as the system's quit message
// is). Any thread may post.
class MessageQueue {
 public:
  void post(const Message& message) { add({message, false}); }
  // The next read fails (in its place in the order).
  void postFailure() { add({Message{}, true}); }
  void postQuit() {
    std::lock_guard<std::mutex> hold(lock_);
    quit_ = true;
  }
  bool waiting() const {
    std::lock_guard<std::mutex> hold(lock_);
    return !items_.empty() || quit_;
  }
  // Reading an empty queue would wait forever; it is reported as a failure instead.
  ReadResult take(Message& out) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!items_.empty()) {
      Item item = std::move(items_.front());
      items_.pop_front();
      if (item.failure) return ReadResult::Failure;
      out = std::move(item.message);
      return ReadResult::Message;
    }
    if (quit_) {
      quit_ = false;
      return ReadResult::Quit;
    }
    return ReadResult::Failure;
  }

 private:
  struct Item {
    Message message;
    bool failure;
  };
  void add(Item item) {
    std::lock_guard<std::mutex> hold(lock_);
    items_.push_back(std::move(item));
  }

  mutable std::mutex lock_;
  std::deque<Item> items_;
  bool quit_ = false;
};

}  // namespace platform::window
