// Writes the seeds of the script value target: buffers of every kind the writer makes (each
// scalar, strings, arrays, tables, Vec3 instances, nesting, kinds that cannot cross), made by
// compiling an expression with the project's compiler and serialising its value.
//   fuzz_script_value_seeds FOLDER

#include "foundation/omb/ombCore.h"
#include "platform/text/Utf8.h"
#include "script/ScriptManager.h"
#include "script/ScriptStackTop.h"
#include "script/ScriptThread.h"
#include "script/ScriptValueSerial.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

const char* const kExpressions[] = {
    "null",
    "true",
    "-7",
    "2147483647",
    "-1.5",
    "\"\"",
    "\"text with a \xe3\x81\x82 kana\"",
    "[]",
    "[1, \"a\", [2.0, null], false]",
    "{}",
    "{a = 1, b = [null, true], c = {d = \"e\"}}",
    "{[3] = \"three\", [4.5] = 4, x = Vec3(0, 0, 0)}",
    "Vec3(1, -2.5, 3e10)",
    "[Vec3(1, 2, 3), {v = Vec3(4, 5, 6)}, [[[[[1]]]]]]",
    "[function() {}, {f = function() {}, g = 1}, 2]",
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  ombCoreInit();
  ScriptManager manager;
  const auto thread = std::make_unique<ScriptThread>(&manager, manager.newTable(nullptr));
  HSQUIRRELVM vm = thread->vm.vm;
  int index = 0;
  for (const char* expression : kExpressions) {
    const std::u16string text = platform::utf8ToUtf16(std::string("return ") + expression + ";");
    ScriptObject closure;
    {
      ScriptStackTop top(vm);
      if (SQ_FAILED(sq_compilebuffer(vm, text.c_str(), static_cast<SQInteger>(text.size()),
                                     u"seed", SQTrue))) {
        std::fprintf(stderr, "does not compile: %s\n", expression);
        return 1;
      }
      closure = ScriptObject::fromStack(vm, -1);
    }
    const ScriptObject value = thread->vm.prepareCall(closure).run();
    OMB_ARRAY* buffer = serializeScriptValue(manager.vm, value);
    const std::string path = std::string(argv[1]) + "/value" + std::to_string(index++);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool written =
        f != nullptr && std::fwrite(buffer->items, 1, buffer->count, f) == buffer->count;
    if (f != nullptr) std::fclose(f);
    freeScriptValueBuffer(buffer);
    if (!written) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
