#pragma once

#include <cstdint>

// A network session as the engine loop and the session natives see it. The System holds one;
// without a lounge link it is NoSession, whose answers are those of a game without a session.
// The real session adapts itself to this interface.
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
};

// The end of an engine's run with a session: when no frame ran this side reports ready first,
// then waits frame by frame until both sides are ready, and ends the session's game. The wait
// also ends when the peer is gone, so a lost connection cannot hold the game forever.
void engineFinishSession(EngineSession& session, bool anyFrameRan);
