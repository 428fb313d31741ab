#include "net/session/NetDeliver.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombResult.h"
#include "platform/kernel/Clock.h"

#include <exception>

NetDeliver::NetDeliver(NetHost& host, const NetSessionInfo& info)
    : host_(host), info_(info), delay_(netInputDelay(info)) {
  ombFrameControllerInit(&pacing_, 120);
}

NetDeliver::~NetDeliver() { stopWorker(); }

uint32_t NetDeliver::workerMain(void* self) {
  auto* session = static_cast<NetDeliver*>(self);
  ombFrameControllerReset(&session->pacing_);
  try {
    for (;;) {
      {
        std::lock_guard guard(session->lock_);
        if (session->quit_) return 0;
      }
      session->workerStep();
    }
  } catch (...) {
    // A fatal error inside the protocol must not take the process down from this thread: it
    // becomes the session's memory error, which the game thread reports at its next call.
    std::lock_guard guard(session->lock_);
    session->setError(NET_ERROR_MEMORY);
  }
  return 0;
}

void NetDeliver::workerStep() {
  const bool pollOk = pollMain();
  keepAlive_.check();
  bool signal = false;
  {
    std::unique_lock guard(lock_);
    if (quit_) return;
    if (error_ != 0) {
      guard.unlock();
      platform::sleepMilliseconds(20);
      return;
    }
    while (protocolStep() && error_ == 0) {
    }
    if (checkError() || error_ != 0) {
      guard.unlock();
      return;
    }
    sendKeepAlive();
    readLounge();
    if (error_ != 0) return;
    if (started_) {
      signal = running_ ? !frames_.empty() : parity_ == 0;
    }
    parity_ ^= 1u;
  }
  if (signal) frameEvent_.set();
  if (pollOk) flushMain();
  if (keepAlive_.socket) ombUdpFlush(keepAlive_.socket);
  if (!ombFrameControllerUpdate(&pacing_)) ombFrameControllerWait(&pacing_);
}

bool NetDeliver::init(const char* tag, const char16_t* format) {
  {
    std::lock_guard guard(lock_);
    worker_ = platform::Thread::start(workerMain, this, 1u << 20,
                                      platform::Thread::Priority::TimeCritical);
    if (worker_) {
      workerRunning_ = true;
      host_.writeLounge(NET_STATUS_RUNNING);
    } else {
      setError(NET_ERROR_MEMORY);
    }
  }
  int32_t error;
  {
    std::lock_guard guard(lock_);
    error = error_;
  }
  if (error == 0) return true;
  ombLogPrintf(OMB_LOG_MESSAGE, format, tag, netErrorText(error));
  host_.writeLounge(NET_STATUS_FAILED);
  if (!host_.loungeLinked() && error != NET_ERROR_CANCELLED) {
    lerrWarning("%s", lerrText(netErrorText(error)).c_str());
  }
  return false;
}

void NetDeliver::stopWorker() {
  if (!worker_) return;
  {
    std::lock_guard guard(lock_);
    quit_ = true;
  }
  worker_->wait(0xFFFFFFFFu);
  worker_->close();
  worker_ = nullptr;
  workerRunning_ = false;
}

void NetDeliver::errorPath() {
  int32_t code;
  {
    std::lock_guard guard(lock_);
    code = error_;
  }
  host_.dialog().close();
  host_.writeLounge(NET_STATUS_FAILED);
  if (!host_.loungeLinked() && code != 0 && code != NET_ERROR_CANCELLED) {
    lerrFatal("%s", lerrText(netErrorText(code)).c_str());
  }
  lerrThrow();
}

int32_t NetDeliver::errorCode() {
  std::lock_guard guard(lock_);
  return error_;
}

void NetDeliver::release() {}

void NetDeliver::setLocalInput(const InputSource* source) {
  std::lock_guard guard(lock_);
  localInput_ = source;
}

uint32_t NetDeliver::getPlayerCount() { return info_.playerCount; }

uint32_t NetDeliver::getPlayerId(uint32_t index) {
  return index < info_.playerCount ? info_.players[index].id : 0;
}

const char16_t* NetDeliver::getPlayerInfo(uint32_t index) {
  return index < info_.playerCount ? info_.players[index].name : nullptr;
}

int32_t NetDeliver::getConnect(uint32_t index) {
  return index < info_.playerCount ? info_.players[index].connect : 0;
}

uint32_t NetDeliver::getLatency(uint32_t index) {
  return index < info_.playerCount ? info_.players[index].latency : 0;
}

uint32_t NetDeliver::getDelay() { return delay_; }

void NetDeliver::start() {
  for (;;) {
    {
      std::lock_guard guard(lock_);
      if (error_ != 0) break;
      if (started_) return;
    }
    host_.pump(20);
  }
  errorPath();
}

void NetDeliver::end() {
  {
    std::lock_guard guard(lock_);
    endRequested_ = true;
  }
  for (;;) {
    {
      std::lock_guard guard(lock_);
      // A peer that closes right after the end it agreed to must not turn the ended round into
      // an error: the end is looked at first.
      if (ended_) {
        ended_ = false;
        host_.dialog().close();
        return;
      }
      if (error_ != 0) break;
    }
    host_.pump(20);
  }
  errorPath();
}

uint32_t NetDeliver::getSeed() {
  std::lock_guard guard(lock_);
  return seed_;
}

void NetDeliver::setReady() {
  std::lock_guard guard(lock_);
  localReady_ = true;
}

bool NetDeliver::isReady() {
  bool failed;
  bool taken;
  {
    std::lock_guard guard(lock_);
    failed = error_ != 0;
    taken = framesTaken_;
  }
  if (failed) errorPath();
  return taken;
}

bool NetDeliver::waitFrame() {
  for (bool first = true;; first = false) {
    bool dialogOpen = false;
    {
      std::unique_lock guard(lock_);
      if (error_ != 0) {
        guard.unlock();
        errorPath();
      }
      if (running_) {
        if (stopped_) {
          host_.dialog().show(NET_DIALOG_WAITING);
        } else {
          host_.dialog().close();
        }
        if (!frames_.empty()) {
          const NetFrame frame = frames_.front();
          frames_.pop_front();
          for (uint32_t p = 0; p < NET_MAX_PLAYERS; ++p) {
            current_[p] = uint32_t{frame[1 + 4 * p]} | uint32_t{frame[2 + 4 * p]} << 8 |
                          uint32_t{frame[3 + 4 * p]} << 16 | uint32_t{frame[4 + 4 * p]} << 24;
          }
          framesTaken_ = true;
          return first;
        }
      } else {
        if (!first) return false;
        if (frameEvent_.wait(0) == platform::Event::kSignalled) return true;
      }
      dialogOpen = host_.dialog().isOpen();
    }
    if (dialogOpen) {
      host_.pump(100);
    } else {
      frameEvent_.wait(100);
    }
  }
}

bool NetDeliver::getPlayerInput(uint32_t index, InputSource* out) {
  if (index >= info_.playerCount || index >= NET_MAX_PLAYERS || !out) return false;
  *out = netBitsInputSource(&current_[index]);
  return true;
}

void NetDeliver::clearRound() {
  started_ = readySent_ = running_ = stopped_ = waiting_ = framesTaken_ = endRequested_ = false;
  ended_ = true;
  frames_.clear();
  for (uint32_t& bits : current_) bits = 0;
}

void NetDeliver::pushFrame(const NetFrame& frame) {
  if (frames_.size() >= NET_FRAME_RING) {
    setError(NET_ERROR_MEMORY);
    return;
  }
  frames_.push_back(frame);
}

void NetDeliver::flushWhile(bool (*pass)(NetDeliver*),
                            void (*onLounge)(NetDeliver*, const NetLoungeRecord&)) {
  bool shown = false;
  while (pass(this)) {
    if (!shown) {
      host_.dialog().show(NET_DIALOG_FLUSHING);
      shown = true;
    }
    NetLoungeRecord record;
    bool cancelled = false;
    while (host_.readLounge(&record)) {
      if (record.kind == 10) {
        setError(NET_ERROR_CANCELLED);
        cancelled = true;
      } else if (onLounge) {
        onLounge(this, record);
      }
    }
    if (cancelled || !host_.pump(20)) break;
  }
  if (shown) host_.dialog().close();
}
