// scriptrun: runs the "main" script of a script directory frame by frame, the way the
// script-only engines drive their scripts, with every log message on standard output.
//   scriptrun [--archive FILE]... [--frames N] DIRECTORY
// DIRECTORY is a framework path: relative to this program's directory (as the runtime finds its
// game data) or rooted ("/..."). Archives are registered first, in order, so scripts are looked
// up in them before the disk. The script is loaded with `init`, then resumed N times (default
// 1); a non-null value that init or a frame gives is printed as "init: VALUE" or "frame K:
// VALUE". Exit codes: 0; 1 when a level-0 message ended the run (LExceptGame; the log line says
// why, and one line on standard error names the script and the frame); 2 for bad arguments, an
// archive that cannot be registered, or a DIRECTORY without a "main" script. Unlike the runtime,
// which passes over a missing script in silence, the tool says which script it did not find.

#include "foundation/lerr/LExceptGame.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "platform/text/Utf8.h"
#include "script/ScriptManager.h"
#include "script/ScriptThread.h"

#include "../common/ReadInput.h"

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
// usual while the exception leaves. `stage` tells where the run was when it left.
void run(const Options& options, std::string& stage) {
  ScriptManager manager;
  const ScriptObject parent = manager.newTable(nullptr);
  std::unique_ptr<ScriptThread> thread(new ScriptThread(&manager, parent));
  const std::u16string directory = platform::utf8ToUtf16(options.directory);
  stage = "loading or init";
  report("init", thread->loadRelative(directory.c_str(), u"main", nullptr, nullptr));
  for (long frame = 1; frame <= options.frames; ++frame) {
    stage = "frame " + std::to_string(frame);
    report(stage.c_str(), thread->resume());
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
    std::string bytes;
    std::string why;
    if (ombFileRegistPack(platform::utf8ToUtf16(archive).c_str()) < 0) {
      std::fprintf(stderr, "scriptrun: cannot register the archive %s: %s\n", archive.c_str(),
                   tools::readWholeFile(archive, bytes, why) ? "not a readable archive" : why.c_str());
      return 2;
    }
  }
  // The file the thread loads, looked up the same way (archives first, then the disk).
  const std::u16string script =
      scriptResolvePath(platform::utf8ToUtf16(options.directory).c_str(), u"main") + u".cnut";
  const std::string scriptName = platform::utf16ToUtf8(script);
  if (ombFileIsExist(OMB_FILE_MODE_READ, script.c_str()) != OMB_OK) {
    std::fprintf(stderr, "scriptrun: no script %s in the archives or on the disk\n",
                 scriptName.c_str());
    return 2;
  }
  std::string stage;
  try {
    run(options, stage);
  } catch (const LExceptGame&) {
    std::fprintf(stderr, "scriptrun: %s: a level-0 message ended the run in %s\n",
                 scriptName.c_str(), stage.c_str());
    return 1;
  }
  return 0;
}
