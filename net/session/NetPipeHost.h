#pragma once

#include "net/session/NetTypes.h"

#include <cstdint>

// A session host for programs without a window: the lounge link over two inherited pipe
// descriptors, a pump that only sleeps, and the headless dialog.
class NetPipeHost final : public NetHost {
 public:
  // Descriptors 0 mean no lounge link.
  NetPipeHost(uint64_t input, uint64_t output) : input_(input), output_(output) {}
  bool loungeLinked() override { return input_ != 0 || output_ != 0; }
  // A broken pipe is the level-0 lounge communication error.
  bool readLounge(NetLoungeRecord* record) override;
  void writeLounge(uint32_t kind) override;
  bool pump(uint32_t milliseconds) override;
  NetDialog& dialog() override { return dialog_; }
  HeadlessNetDialog& headlessDialog() { return dialog_; }

 private:
  uint64_t input_;
  uint64_t output_;
  HeadlessNetDialog dialog_;
};
