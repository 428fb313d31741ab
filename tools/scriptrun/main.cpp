// scriptrun: runs the "main" script of a script directory frame by frame, the way the
// script-only engines drive their scripts, with every log message on standard output.
//   scriptrun [--archive FILE]... [--frames N] DIRECTORY
// DIRECTORY is a framework path: relative to this program's directory (as the runtime finds its
// game data) or rooted ("/..."). Archives are registered first, in order, so scripts are looked
// up in them before the disk. The script is loaded with `init`, then resumed N times (default
// 1); a non-null value that init or a frame gives is printed as "init: VALUE" or "frame K:
// VALUE". Exit codes: 0; 1 when a level-0 message ended the run (LExceptGame); 2 for bad
// arguments or an archive that cannot be registered.

#include "foundation/lerr/LExceptGame.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombFile.h"
#include "foundation/omb/ombLog.h"
#include "platform/text/Utf8.h"
#include "script/ScriptManager.h"
#include "script/ScriptThread.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

void printLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void echo(int32_t, const char16_t* text) {
  printLine(platform::utf16ToUtf8(text ? text : u""));
}

void throwOnError(int32_t level) {
  if (level == OMB_LOG_ERROR) {
    throw LExceptGame();
  }
}

std::string describe(const ScriptObject& value) {
  switch (value.getType()) {
    case OT_INTEGER: return std::to_string(value.toInteger());
    case OT_FLOAT: {
      char text[32];
      std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value.toFloat()));
      return text;
    }
    case OT_BOOL: return value.getObject()._unVal.nInteger ? "true" : "false";
    case OT_STRING: return "\"" + platform::utf16ToUtf8(value.toString()) + "\"";
    case OT_TABLE: return "table";
    case OT_ARRAY: return "array";
    case OT_INSTANCE: return "instance";
    default: return "value";
  }
}

void report(const char* what, const ScriptObject& value) {
  if (!value.isNull()) {
    printLine(std::string(what) + ": " + describe(value));
  }
}

int usage() {
  std::fprintf(stderr, "usage: scriptrun [--archive FILE]... [--frames N] DIRECTORY\n");
  return 2;
}

struct Options {
  std::vector<std::string> archives;
  long frames = 1;
  std::string directory;
};

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--archive" && i + 1 < argc) {
      options.archives.push_back(argv[++i]);
    } else if (arg == "--frames" && i + 1 < argc) {
      char* end = nullptr;
      options.frames = std::strtol(argv[++i], &end, 10);
      if (*end != 0 || options.frames < 0 || options.frames > 1000000) {
        return false;
      }
    } else if (options.directory.empty() && !arg.empty() && arg[0] != '-') {
      options.directory = arg;
    } else {
      return false;
    }
  }
  return !options.directory.empty();
}

// The machine stays closable after a fatal error: the thread and the manager are torn down as
// usual while the exception leaves.
void run(const Options& options) {
  ScriptManager manager;
  const ScriptObject parent = manager.newTable(nullptr);
  std::unique_ptr<ScriptThread> thread(new ScriptThread(&manager, parent));
  const std::u16string directory = platform::utf8ToUtf16(options.directory);
  report("init", thread->loadRelative(directory.c_str(), u"main", nullptr, nullptr));
  for (long frame = 1; frame <= options.frames; ++frame) {
    report(("frame " + std::to_string(frame)).c_str(), thread->resume());
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    return usage();
  }
  ombCoreInit();
  ombLogSetOutput(echo);
  ombLogSetErrorHook(throwOnError);
  for (const std::string& archive : options.archives) {
    if (ombFileRegistPack(platform::utf8ToUtf16(archive).c_str()) < 0) {
      std::fprintf(stderr, "scriptrun: cannot register the archive %s\n", archive.c_str());
      return 2;
    }
  }
  try {
    run(options);
  } catch (const LExceptGame&) {
    return 1;
  }
  return 0;
}
