#include "net/session/NetPipeHost.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Pipe.h"

namespace {

std::string loungeError() { return lerrText(u"ラウンジとの通信エラー"); }

}  // namespace

bool NetPipeHost::readLounge(NetLoungeRecord* record) {
  if (!loungeLinked()) return false;
  uint8_t bytes[sizeof(NetLoungeRecord)];
  const platform::PipeRead read = platform::pipeReadWhole(input_, bytes, sizeof bytes);
  if (read == platform::PipeRead::Failed) {
    lerrFatal("Error: [%s] %s", "Config::readLoungeData", loungeError().c_str());
  }
  if (read != platform::PipeRead::Whole) return false;
  record->kind = loadU32le(bytes);
  for (uint32_t i = 0; i < 68; ++i) record->w[i] = loadU32le(bytes + 4 + 4 * i);
  return true;
}

void NetPipeHost::writeLounge(uint32_t kind) {
  if (!loungeLinked()) return;
  uint8_t bytes[sizeof(NetLoungeRecord)] = {};
  storeU32le(bytes, kind);
  if (!platform::pipeWriteWhole(output_, bytes, sizeof bytes)) {
    lerrFatal("Error: [%s] %s", "Config::writeLoungeData", loungeError().c_str());
  }
}

bool NetPipeHost::pump(uint32_t milliseconds) {
  if (milliseconds != 0) platform::sleepMilliseconds(milliseconds);
  return true;
}
