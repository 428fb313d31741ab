#include "platform/dsound/Mixer.h"

#include "platform/dsound/Voice.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>

namespace dsound {

namespace {

constexpr uint32_t kPeriodsPerSecond = 100;
// After a stall longer than this (a stopped process, a loaded machine) the clock starts afresh
// instead of mixing the whole gap at once.
constexpr auto kMaxLateness = std::chrono::milliseconds(200);

}  // namespace

Mixer::Mixer(MixClock clock, std::unique_ptr<MixSink> sink)
    : clock_(clock), sink_(std::move(sink)) {}

Mixer::~Mixer() { shutdown(); }

void Mixer::attachVoice(Voice* voice) { voices_.push_back(voice); }

void Mixer::detachVoice(Voice* voice) {
  voices_.erase(std::remove(voices_.begin(), voices_.end(), voice), voices_.end());
  playing_.erase(std::remove(playing_.begin(), playing_.end(), voice), playing_.end());
}

void Mixer::loseBuffers() {
  for (Voice* v : voices_) v->lose();
  playing_.clear();
}

void Mixer::setMasterVolume(int32_t hundredthsOfDb) {
  masterVolume_ = hundredthsOfDb;
  masterGain_ = gainOfVolume(hundredthsOfDb);
}

void Mixer::startVoice(Voice* voice) {
  if (std::find(playing_.begin(), playing_.end(), voice) == playing_.end()) {
    playing_.push_back(voice);
  }
}

uint32_t Mixer::leadFrames() const {
  return clock_ == MixClock::Manual ? 0 : primaryFormat_.nSamplesPerSec / kPeriodsPerSecond;
}

void Mixer::start() {
  if (clock_ == MixClock::RealTime && !thread_.joinable()) {
    thread_ = std::thread([this] {
      // Nothing may leave a thread's entry: should the mix fail (memory exhausted), the device
      // falls silent and says so, and the game goes on.
      try {
        run();
      } catch (const std::exception& e) {
        std::fprintf(stderr, "[dsound] the mixer stopped: %s\n", e.what());
      } catch (...) {
        std::fprintf(stderr, "[dsound] the mixer stopped\n");
      }
    });
  }
}

void Mixer::shutdown() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!open_) return;
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> guard(lock_);
  open_ = false;
  for (Voice* v : playing_) v->stop();
  playing_.clear();
  sink_->close();
}

void Mixer::mixLocked(uint32_t frames, std::vector<int16_t>& out, MixTarget& target) {
  target = {primaryFormat_.nChannels, primaryFormat_.nSamplesPerSec};
  const size_t samples = size_t(frames) * target.channels;
  accumulator_.assign(samples, 0);
  for (Voice* v : playing_) v->mixInto(accumulator_.data(), frames, target);
  // Voices that reached their end have stopped; they leave the mix.
  playing_.erase(std::remove_if(playing_.begin(), playing_.end(),
                                [](const Voice* v) { return !v->playing(); }),
                 playing_.end());
  out.resize(samples);
  for (size_t i = 0; i < samples; ++i) {
    const int64_t v = (int64_t(accumulator_[i]) * masterGain_) >> 16;
    out[i] = int16_t(std::clamp<int64_t>(v, -32768, 32767));
  }
}

std::vector<int16_t> Mixer::advance(uint32_t frames) {
  std::vector<int16_t> out;
  if (clock_ != MixClock::Manual) return out;
  MixTarget target{};
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!open_) return out;
    mixLocked(frames, out, target);
  }
  sink_->write(out, target.channels, target.rate);
  return out;
}

void Mixer::run() {
  using Clock = std::chrono::steady_clock;
  std::vector<int16_t> out;
  Clock::time_point base = Clock::now();
  uint64_t mixedFrames = 0;  // since `base`, at `baseRate`
  uint32_t baseRate = 0;
  std::unique_lock<std::mutex> guard(lock_);
  while (!stopping_) {
    const uint32_t rate = primaryFormat_.nSamplesPerSec;
    const Clock::time_point now = Clock::now();
    // The deadline is computed from the frames mixed since the base, so the clock does not
    // drift by the rounding of each period.
    if (rate != baseRate ||
        now - (base + std::chrono::nanoseconds(mixedFrames * 1000000000ull / rate)) > kMaxLateness) {
      base = now;
      mixedFrames = 0;
      baseRate = rate;
    }
    const uint32_t frames = std::max<uint32_t>(1, rate / kPeriodsPerSecond);
    MixTarget target{};
    mixLocked(frames, out, target);
    mixedFrames += frames;
    guard.unlock();
    sink_->write(out, target.channels, target.rate);
    guard.lock();
    const auto due = base + std::chrono::nanoseconds(mixedFrames * 1000000000ull / rate);
    wake_.wait_until(guard, due, [this] { return stopping_; });
  }
}

}  // namespace dsound
