#pragma once

#include "net/controller/Controller.h"

#include <vector>

// A controller that plays one recorded stream of a replay file back, frame by frame; it never
// records. Refreshing past the last recorded frame ends the game ("リプレイ異常").
class ControllerReplay : public Controller {
 public:
  // Reads one stream (kind, count, entries) from the open file. The count is checked against the
  // bytes left before anything is allocated: a stream that ends early fails with the read error
  // of the value that is missing, and an unknown kind with its own message.
  explicit ControllerReplay(File& file);

  void release() override;
  int32_t getType() const override { return kTypeReplay; }
  void refresh() override;

  uint32_t kind() const { return kind_; }
  uint32_t entryCount() const { return static_cast<uint32_t>(entries_.size()); }
  const std::vector<ControllerLogEntry>& entries() const { return entries_; }

 private:
  uint32_t kind_ = 0;
  std::vector<ControllerLogEntry> entries_;
  uint32_t readIndex_ = 0;
};
