#pragma once

#include "host/input/InputSource.h"

#include <cstdint>
#include <memory>

class Net;

// A network session as the System, the engine loop and the session natives see it. The System
// holds one; without a lounge link it is NoSession, whose answers are those of a game without a
// session. NetEngineSession adapts the network library's session to it.
class EngineSession {
 public:
  virtual ~EngineSession() = default;

  // False for NoSession: the loop then paces itself on the frame controller.
  virtual bool active() const = 0;
  // A round begins; its random seed.
  virtual void start() = 0;
  virtual uint32_t seed() const = 0;
  // This side has finished its first frame.
  virtual void setReady() = 0;
  // Both sides are ready and inputs flow.
  virtual bool isReady() const = 0;
  // Waits for the remote inputs of one frame; true asks the caller to skip drawing the next one.
  virtual bool waitFrame() = 0;
  // The peer is gone (disconnected or timed out): waiting for it would never end.
  virtual bool closed() const = 0;
  // The game ends.
  virtual void end() = 0;

  virtual int32_t playerCount() const = 0;
  // -1 without a session, 0 on the host, -2 for a spectator.
  virtual int32_t playerIndex() const = 0;
  virtual bool connected(int32_t player) const = 0;
  // The session's input delay in frames; 0 without a session.
  virtual int32_t inputDelay() const { return 0; }

  // The source of this side's input; it must outlive the session's use of it.
  virtual void setLocalInput(const InputSource* source) = 0;
  // The source of a player slot's input; false for a slot the session does not fill.
  virtual bool playerInput(uint32_t slot, InputSource& out) = 0;
  // The shutdown step before destruction: delivers what is unsent (a failure is the game's
  // error and may throw).
  virtual void release() = 0;
};

class NoSession final : public EngineSession {
 public:
  bool active() const override { return false; }
  void start() override {}
  uint32_t seed() const override { return 0; }
  void setReady() override {}
  bool isReady() const override { return true; }
  bool waitFrame() override { return false; }
  bool closed() const override { return false; }
  void end() override {}
  int32_t playerCount() const override { return 1; }
  int32_t playerIndex() const override { return -1; }
  bool connected(int32_t) const override { return false; }
  void setLocalInput(const InputSource*) override {}
  bool playerInput(uint32_t, InputSource&) override { return false; }
  void release() override {}
};

// The network library's session behind the loop's interface. Its waits raise the game's error
// themselves when the peer is gone (status 6 to the lounge), so closed() never has to.
class NetEngineSession final : public EngineSession {
 public:
  explicit NetEngineSession(Net* net);
  ~NetEngineSession() override;

  bool active() const override { return true; }
  void start() override;
  uint32_t seed() const override;
  void setReady() override;
  bool isReady() const override;
  bool waitFrame() override;
  bool closed() const override { return false; }
  void end() override;
  int32_t playerCount() const override;
  int32_t inputDelay() const override;
  int32_t playerIndex() const override;
  bool connected(int32_t player) const override;
  void setLocalInput(const InputSource* source) override;
  bool playerInput(uint32_t slot, InputSource& out) override;
  // Delivers what is unsent, unless an operation failed (then the lounge already heard of it).
  void release() override;

  Net& net() const { return *net_; }
  bool failed() const { return failed_; }

 private:
  template <typename Operation>
  auto guarded(Operation operation) const;

  std::unique_ptr<Net> net_;
  bool released_ = false;
  mutable bool failed_ = false;
};

// The end of an engine's run with a session: when no frame ran this side reports ready first,
// then waits frame by frame until both sides are ready, and ends the session's game. The wait
// also ends when the peer is gone, so a lost connection cannot hold the game forever.
void engineFinishSession(EngineSession& session, bool anyFrameRan);
