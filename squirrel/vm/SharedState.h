#pragma once

// What all machines (threads) of one state share: strings, the object chain, the registry, the
// constant table, host references, metamethod names and the default delegates.

#include "squirrel/vm/Class.h"
#include "squirrel/vm/Collectable.h"
#include "squirrel/vm/String.h"
#include "squirrel/vm/Table.h"

#include <unordered_map>
#include <vector>

namespace sqvm {

struct VM;

struct SharedState {
  StringTable strings;
  Collectable* gcChain = nullptr;
  uint32_t nextSerial = 1;

  Value registry;
  Value constTable;
  Value metaMethodNames[MT_LAST];
  Value constructorName;
  Value typeNames[18];  // indexed by typeIndex()

  Value tableDelegate, arrayDelegate, stringDelegate, numberDelegate, closureDelegate,
      generatorDelegate, threadDelegate, classDelegate, instanceDelegate, weakRefDelegate;

  struct HostRef {
    Value object;
    uint32_t count;
  };
  std::unordered_map<RefCounted*, HostRef> hostRefs;

  VM* rootVM = nullptr;
  // Nested execution loops and native calls of all machines together (see VM::nativeCalls).
  int32_t nativeCalls = 0;
  SQPRINTFUNCTION printFunction = nullptr;
  SQCOMPILERERROR compilerErrorHandler = nullptr;
  bool debugInfo = false;
  std::vector<SQChar> scratchPad;

  SharedState();
  ~SharedState();

  Value str(std::u16string_view s) { return makeString(strings, s); }
  Value str(const char* ascii);
  // Index of a metamethod name, or -1.
  int metaMethodIndex(const SQObject& key) const;
  // The typeof name of a type.
  const Value& typeName(SQObjectType t) const;
  // The default delegate of a type (null table value when it has none).
  const Value& defaultDelegate(SQObjectType t) const;
  // Breaks every cycle and frees all objects (used when the state closes).
  void finalizeAll();
  // Frees objects that no root reaches; returns how many.
  int32_t collect();
  void markRoots(Marker& m);
};

// The raw type's position in bit order (0 for null ... 16 for weakref).
int typeIndex(SQObjectType t);
// "integer", "table", ... for a raw type (used in messages).
const char* typeNameAscii(SQObjectType t);

}  // namespace sqvm
