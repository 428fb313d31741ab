#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace platform::window {

// One running instance per window class name and user, as finding a window by its class name
// gives on the original system. The first program to claim a name holds it (an abstract local
// socket named after the user, the runtime directory and the name, released by the system when
// the program ends, even by a crash); a later program asks the holder to bring its window to the
// front instead of starting again.
//
// The runtime directory ($XDG_RUNTIME_DIR when it is an absolute path, else /tmp) is part of the
// name, so programs run with different runtime directories (tests) never meet.
class InstanceChannel {
 public:
  // Claims the name; null when another program holds it or the socket cannot be made.
  static std::unique_ptr<InstanceChannel> claim(std::u16string_view name);
  ~InstanceChannel();
  InstanceChannel(const InstanceChannel&) = delete;
  InstanceChannel& operator=(const InstanceChannel&) = delete;

  // Requests to come to the front received since the last call. Never blocks: a request whose
  // bytes have not arrived yet is counted by a later call.
  uint32_t takeFrontRequests();

 private:
  explicit InstanceChannel(int socket) : socket_(socket) {}
  int socket_;
  std::vector<int> pending_;  // accepted connections whose request is still to be read
};

// Asks the holder of the name to bring its window to the front; false when no program of this
// user holds the name.
bool signalInstance(std::u16string_view name);

}  // namespace platform::window
