#include "net/controller/Controller.h"

Controller::Controller(uint32_t recordKind) {
  if (recordKind == kRecordFlags || recordKind == kRecordFlagsAnalog) {
    log_ = std::make_unique<ControllerRecordLog>(recordKind);
  }
}

Controller::~Controller() = default;

void Controller::release() {
  log_.reset();
}

void Controller::refresh() {
  record();
}

void Controller::record() {
  if (log_) {
    log_->add(packBits(), analog_);
  }
}

void Controller::writeReplay(File& file) const {
  if (log_) {
    log_->write(file);
  }
}

uint64_t Controller::packBits() const {
  uint64_t bits = 0;
  for (int i = 0; i < 48; ++i) {
    if (flags_[i]) {
      bits |= uint64_t{1} << i;
    }
  }
  return bits;
}

void Controller::unpackBits(uint64_t bits) {
  for (int i = 0; i < 48; ++i) {
    flags_[i] = static_cast<uint8_t>((bits >> i) & 1);
  }
}
