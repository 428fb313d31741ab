#include "host/config/ConfigNetHost.h"

#include "foundation/bytes/ByteReader.h"
#include "host/config/Config.h"
#include "platform/kernel/Clock.h"
#include "platform/net/HostLookup.h"
#include "platform/net/Socket.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kDialogWidth = 360;
constexpr int32_t kDialogHeight = 64;

// A whole decimal number in [min, max], or nothing.
bool parseNumber(const char* text, uint64_t min, uint64_t max, uint64_t& out) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (*end != '\0' || value < min || value > max) return false;
  out = value;
  return true;
}

}  // namespace

void DialogNetDialog::show(const char16_t* text) {
  if (window_) {
    label_->text = text;
    dlg::Layer::refresh(*window_);
    return;
  }
  window_ = dlg::Layer::create(title_, kDialogWidth, kDialogHeight, nullptr,
                               [](dlg::Window&, const dlg::Notification&) {});
  // A dialog the backend refuses leaves the wait without one; the match goes on.
  if (!window_) return;
  label_ = window_->add(dlg::ControlKind::Label, text, 12, 12, kDialogWidth - 24,
                        kDialogHeight - 24, 1000);
  window_->visible = true;
  dlg::Layer::refresh(*window_);
}

void DialogNetDialog::close() {
  label_ = nullptr;
  window_.reset();
}

void DialogNetDialog::dispatch() {
  if (window_) dlg::Layer::dispatchPending(*window_);
}

NetOptions configNetOptions(const char* port, const char* bind, const char* echoes) {
  NetOptions options;
  uint64_t value = 0;
  if (parseNumber(port, 1, 65535, value)) options.hostPort = static_cast<uint16_t>(value);
  if (bind != nullptr) {
    if (const auto address = platform::net::parseIpv4(bind)) {
      options.bindAddress = platform::net::netToHost32(*address);
    }
  }
  if (parseNumber(echoes, 1, 100000, value)) options.latencyEchoes = static_cast<uint32_t>(value);
  return options;
}

ConfigNetHost::ConfigNetHost(Config& config)
    : config_(config), dialog_(config.title[0] != 0 ? config.title : u"") {
  gameId = config.gameId;
  gameVersion = static_cast<uint32_t>(config.gameVersion);
  options = configNetOptions(std::getenv(CONFIG_NET_PORT_VARIABLE),
                             std::getenv(CONFIG_NET_BIND_VARIABLE),
                             std::getenv(CONFIG_NET_ECHOES_VARIABLE));
}

bool ConfigNetHost::loungeLinked() {
  // "--lounge" without pipe numbers has nothing to read a description from: the run plays
  // alone, as the headless host of the tools does, instead of failing on descriptor 0.
  return config_.loungeMode && (config_.loungeInput != 0 || config_.loungeOutput != 0);
}

bool ConfigNetHost::readLounge(NetLoungeRecord* record) {
  uint8_t bytes[CONFIG_LOUNGE_RECORD];
  static_assert(sizeof bytes == sizeof(NetLoungeRecord));
  if (!config_.readLoungeData(bytes)) return false;
  record->kind = loadU32le(bytes);
  for (uint32_t i = 0; i < 68; ++i) record->w[i] = loadU32le(bytes + 4 + 4 * i);
  return true;
}

void ConfigNetHost::writeLounge(uint32_t kind) { config_.writeLoungeData(kind); }

bool ConfigNetHost::pump(uint32_t milliseconds) {
  dialog_.dispatch();
  const bool going = !windowPump_ || windowPump_();
  if (milliseconds != 0) platform::sleepMilliseconds(milliseconds);
  return going;
}
