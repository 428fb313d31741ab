#pragma once

#include "net/controller/ControllerRecordLog.h"

#include <array>
#include <cstdint>
#include <memory>

class File;

// The per-player source of one frame's input: 16 buttons with three flags each (pressed this
// frame, held, and a source-specific third event) and 16 analog values. Engines read players'
// input only from their controller, so a pad, a brain, a replay or nothing steer alike.
class Controller {
 public:
  enum Type : int32_t { kTypeBase = 0, kTypeReplay = 1, kTypeInput = 2, kTypeBrain = 3 };
  enum RecordKind : uint32_t { kRecordNone = 0, kRecordFlags = 1, kRecordFlagsAnalog = 2 };
  static constexpr int kButtons = 16;

  // Every flag and value zero; a log exists only for record kinds 1 and 2.
  explicit Controller(uint32_t recordKind);
  virtual ~Controller();
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  // Frees what the controller owns beyond its flags (the record log).
  virtual void release();
  virtual int32_t getType() const { return kTypeBase; }
  // Computes this frame's flags and values, then records them; the base keeps them as they are.
  virtual void refresh();

  // Appends the current frame to the log (when there is one).
  void record();
  // Writes the log as one replay stream; nothing without a log.
  void writeReplay(File& file) const;

  // The 48 flag bytes: pressed[16], held[16], third[16], also read with one flat index 0..47.
  uint8_t* pressed() { return flags_.data(); }
  uint8_t* held() { return flags_.data() + kButtons; }
  uint8_t* third() { return flags_.data() + 2 * kButtons; }
  const std::array<uint8_t, 48>& flags() const { return flags_; }
  std::array<float, 16>& analog() { return analog_; }
  const std::array<float, 16>& analog() const { return analog_; }
  const ControllerRecordLog* recordLog() const { return log_.get(); }

  // Bit i pressed, bit 16 + i held, bit 32 + i third of button i; bits 48..63 zero.
  uint64_t packBits() const;
  void unpackBits(uint64_t bits);

 protected:
  std::array<uint8_t, 48> flags_{};
  std::array<float, 16> analog_{};
  std::unique_ptr<ControllerRecordLog> log_;
};

// A controller that never reports input.
class ControllerNone : public Controller {
 public:
  explicit ControllerNone(uint32_t recordKind) : Controller(recordKind) {}
};
