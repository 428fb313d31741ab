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

// The framework and one folder for the input file, for the life of the process. Each input gets
// a machine of its own, torn down before the next: the machine's objects must not outlive the
// run (the language releases them through per-thread state that is gone at exit).
struct Workplace {
  Workplace() {
    ombCoreInit();
    ombLogSetOutput(&discard);
    ombLogSetErrorHook(&keepGoing);
    char pattern[] = "/tmp/script_reader-XXXXXX";
    require(mkdtemp(pattern) != nullptr);
    folder = pattern;
  }
  ~Workplace() {
    std::remove((folder + "/fuzz.cnut").c_str());
    rmdir(folder.c_str());
  }

  std::string folder;
};

Workplace& workplace() {
  static Workplace instance;
  return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Workplace& w = workplace();
  const std::string file = w.folder + "/fuzz.cnut";
  FILE* out = std::fopen(file.c_str(), "wb");
  require(out != nullptr);
  require(std::fwrite(data, 1, size, out) == size);
  require(std::fclose(out) == 0);

  ScriptManager manager;
  {
    ScriptThread thread(&manager, manager.rootTable);
    HSQUIRRELVM vm = thread.vm.vm;
    const SQInteger top = sq_gettop(vm);
    const std::string narrow = w.folder + "/fuzz";  // ASCII: mkdtemp's pattern
    const std::u16string path(narrow.begin(), narrow.end());
    ScriptObject closure;
    const char16_t* directory = loadCompiledScript(path.c_str(), &thread, closure);
    require(directory != nullptr);
    require(closure.isNull() || closure.getType() == OT_CLOSURE);
    require(sq_gettop(vm) == top);
  }
  return 0;
}
