// Calls of the debug hook: 'c' on entering a script function, 'r' on leaving it, 'l' on a line.

#include "squirrel/vm/VM.h"

namespace sqvm {

void VM::callDebugHook(int type, int32_t forcedLine) {
  if (debugHookRunning || calls.empty()) return;
  const CallInfo& c = calls.back();
  if (!c.proto) return;
  Value hook = debugHook;
  if (hook._type != OT_CLOSURE && hook._type != OT_NATIVECLOSURE) return;
  int32_t line = forcedLine;
  if (type == 'c') {
    line = c.proto->lines.empty() ? 0 : c.proto->lines[0].line;
  } else if (type == 'r') {
    line = frameLine(c);
  }
  Value src = c.proto->sourceName;
  Value name = c.proto->name;
  debugHookRunning = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{debugHookRunning};
  struct Restore {
    bool& flag;
    bool old;
    ~Restore() { flag = old; }
  } unwinding{overflowing, overflowing};
  overflowing = false;
  Value savedError = lastError;
  push(rootTable);
  push(Value::integer(type));
  push(src);
  push(Value::integer(line));
  push(name);
  Value ignored;
  call(hook, 5, top - 5, ignored, false);
  pop(5);
  lastError = savedError;
}

}  // namespace sqvm
