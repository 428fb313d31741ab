// Feeds arbitrary bytes to the compiled-script loader the way a thread loads "main": the bytes
// are written as a "cnut" file, found and opened through the framework's file layer and read by
// the closure reader on a thread machine. Level-0 reports return here (as under a hook that does
// not end the game), so a refused stream must leave the loader with a null closure, or with a
// closure, and the machine's stack exactly as it was.

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "script/ScriptManager.h"
#include "script/ScriptThread.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

void discard(int32_t, const char16_t*) {}
void keepGoing(int32_t) {}

struct Loader {
  Loader() {
    ombCoreInit();
    ombLogSetOutput(&discard);
    ombLogSetErrorHook(&keepGoing);
    char pattern[] = "/tmp/script_reader-XXXXXX";
    require(mkdtemp(pattern) != nullptr);
    folder = pattern;
    manager = new ScriptManager();
    thread = new ScriptThread(manager, manager->rootTable);
    std::atexit(&cleanUp);
  }
  static void cleanUp();

  std::string folder;
  ScriptManager* manager = nullptr;
  ScriptThread* thread = nullptr;
};

Loader& loader() {
  static Loader instance;
  return instance;
}

void Loader::cleanUp() {
  Loader& l = loader();
  std::remove((l.folder + "/fuzz.cnut").c_str());
  rmdir(l.folder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Loader& l = loader();
  const std::string file = l.folder + "/fuzz.cnut";
  FILE* out = std::fopen(file.c_str(), "wb");
  require(out != nullptr);
  require(std::fwrite(data, 1, size, out) == size);
  require(std::fclose(out) == 0);

  HSQUIRRELVM vm = l.thread->vm.vm;
  const SQInteger top = sq_gettop(vm);
  const std::string narrow = l.folder + "/fuzz";  // ASCII: mkdtemp's pattern
  const std::u16string path(narrow.begin(), narrow.end());
  ScriptObject closure;
  const char16_t* directory = loadCompiledScript(path.c_str(), l.thread, closure);
  require(directory != nullptr);
  require(closure.isNull() || closure.getType() == OT_CLOSURE);
  require(sq_gettop(vm) == top);
  return 0;
}
