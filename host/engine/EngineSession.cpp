#include "host/engine/EngineSession.h"

#include "net/session/Net.h"

void engineFinishSession(EngineSession& session, bool anyFrameRan) {
  if (!session.active()) return;
  if (!anyFrameRan) session.setReady();
  while (!session.isReady() && !session.closed()) session.waitFrame();
  session.end();
}

NetEngineSession::NetEngineSession(Net* net) : net_(net) {}

NetEngineSession::~NetEngineSession() = default;

// A session whose operation raised the game's error has already closed its dialog and told the
// lounge; its shutdown must not report a closing match after that failure.
template <typename Operation>
auto NetEngineSession::guarded(Operation operation) const {
  try {
    return operation();
  } catch (...) {
    failed_ = true;
    throw;
  }
}

void NetEngineSession::start() { guarded([&] { net_->start(); }); }
uint32_t NetEngineSession::seed() const { return net_->getSeed(); }
void NetEngineSession::setReady() { guarded([&] { net_->setReady(); }); }
bool NetEngineSession::isReady() const { return guarded([&] { return net_->isReady(); }); }
bool NetEngineSession::waitFrame() { return guarded([&] { return net_->waitFrame(); }); }
void NetEngineSession::end() { guarded([&] { net_->end(); }); }

int32_t NetEngineSession::playerCount() const {
  return static_cast<int32_t>(net_->getPlayerCount());
}

int32_t NetEngineSession::playerIndex() const { return net_->getPlayerIndex(); }
int32_t NetEngineSession::inputDelay() const { return static_cast<int32_t>(net_->getDelay()); }

bool NetEngineSession::connected(int32_t player) const {
  return player >= 0 && net_->getConnect(static_cast<uint32_t>(player)) != 0;
}

void NetEngineSession::setLocalInput(const InputSource* source) { net_->setLocalInput(source); }

bool NetEngineSession::playerInput(uint32_t slot, InputSource& out) {
  return net_->getPlayerInput(slot, &out);
}

void NetEngineSession::release() {
  if (released_ || failed_) return;
  released_ = true;
  guarded([&] { net_->release(); });
}
