// replay: prints a replay file (header, then each player slot's stream entry by entry) and
// checks it by reading it the way a match plays it back.
//   replay FILE
// Exit codes: 0 for a whole file; 1 when reading it fails (the game's message is printed on
// standard error, naming the file) or bytes follow the second stream; 2 for bad arguments.

#include "foundation/file/File.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "net/controller/ControllerReplay.h"
#include "net/controller/ReplayFile.h"
#include "platform/text/Utf8.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

std::string g_file;

void printError(int32_t level, const char16_t* text) {
  if (level == OMB_LOG_ERROR) {
    std::fprintf(stderr, "replay: %s: %s\n", g_file.c_str(),
                 platform::utf16ToUtf8(text ? text : u"").c_str());
  }
}

void throwOnError(int32_t level) {
  if (level == OMB_LOG_ERROR) {
    throw LExceptGame();
  }
}

void printStream(int slot, const ControllerReplay& stream) {
  uint64_t frames = 0;
  for (const ControllerLogEntry& entry : stream.entries()) {
    frames += uint64_t{entry.repeat} + 1;
  }
  std::printf("stream %d: kind %" PRIu32 ", %" PRIu32 " entries, %" PRIu64 " frames\n", slot,
              stream.kind(), stream.entryCount(), frames);
  for (uint32_t i = 0; i < stream.entryCount(); ++i) {
    const ControllerLogEntry& entry = stream.entries()[i];
    std::printf("  %" PRIu32 ": repeat %" PRIu32 " pressed %04x held %04x third %04x", i,
                entry.repeat, static_cast<unsigned>(entry.bits & 0xFFFF),
                static_cast<unsigned>((entry.bits >> 16) & 0xFFFF),
                static_cast<unsigned>((entry.bits >> 32) & 0xFFFF));
    if (stream.kind() == Controller::kRecordFlagsAnalog) {
      std::printf(" analog");
      for (float value : entry.analog) {
        std::printf(" %.9g", static_cast<double>(value));
      }
    }
    std::printf("\n");
  }
}

int check(const std::u16string& path) {
  File file;
  const ReplayHeader header = replayOpen(file, path.c_str());
  std::printf("version %" PRIu32 "\nseed %" PRIu32 "\n", header.version, header.seed);
  std::unique_ptr<ControllerReplay> streams[2];
  for (int slot = 0; slot < 2; ++slot) {
    streams[slot] = std::make_unique<ControllerReplay>(file);
    printStream(slot, *streams[slot]);
  }
  const uint64_t extra = file.bytesLeft();
  if (extra > 0) {
    std::fprintf(stderr, "replay: %s: %" PRIu64 " bytes follow the second stream\n",
                 g_file.c_str(), extra);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: replay FILE\n");
    return 2;
  }
  g_file = argv[1];
  std::error_code error;
  if (std::filesystem::is_directory(g_file, error)) {
    std::fprintf(stderr, "replay: %s: is a directory\n", g_file.c_str());
    return 1;
  }
  ombCoreInit();
  ombLogSetOutput(printError);
  ombLogSetErrorHook(throwOnError);
  const std::string absolute = std::filesystem::absolute(g_file, error).string();
  try {
    return check(platform::utf8ToUtf16(absolute));
  } catch (const LExceptGame&) {
    return 1;
  }
}
