#include "squirrel/vm/SharedState.h"

#include <bit>

namespace sqvm {

namespace {

const char* const kMetaMethodNames[MT_LAST] = {
    "_add", "_sub",   "_mul",     "_div",    "_unm",   "_modulo",  "_set",       "_get",     "_typeof",
    "_nexti", "_cmp", "_call",    "_cloned", "_newslot", "_delslot", "_tostring", "_newmember",
    "_inherited"};

const char* const kTypeNames[18] = {"null",     "integer",  "float",   "bool",     "string",
                                    "table",    "array",    "userdata", "function", "function",
                                    "generator", "userdata", "thread",  "function", "class",
                                    "instance", "weakref",  "unknown"};

}  // namespace

int typeIndex(SQObjectType t) {
  const uint32_t raw = t & 0x00FFFFFFu;
  if (raw == 0 || (raw & (raw - 1)) != 0 || raw > _RT_WEAKREF) return 17;
  return std::countr_zero(raw);
}

const char* typeNameAscii(SQObjectType t) { return kTypeNames[typeIndex(t)]; }

SharedState::SharedState() {
  for (int i = 0; i < MT_LAST; ++i) metaMethodNames[i] = str(kMetaMethodNames[i]);
  for (int i = 0; i < 18; ++i) typeNames[i] = str(kTypeNames[i]);
  constructorName = str("constructor");
  registry = Value(OT_TABLE, new Table(this, 0));
  constTable = Value(OT_TABLE, new Table(this, 0));
}

SharedState::~SharedState() = default;

Value SharedState::str(const char* ascii) {
  std::u16string s;
  while (*ascii) s.push_back(static_cast<unsigned char>(*ascii++));
  return str(std::u16string_view(s));
}

int SharedState::metaMethodIndex(const SQObject& key) const {
  if (key._type != OT_STRING) return -1;
  for (int i = 0; i < MT_LAST; ++i) {
    if (metaMethodNames[i]._unVal.pRefCounted == key._unVal.pRefCounted) return i;
  }
  return -1;
}

const Value& SharedState::typeName(SQObjectType t) const { return typeNames[typeIndex(t)]; }

const Value& SharedState::defaultDelegate(SQObjectType t) const {
  static const Value none;
  switch (t) {
    case OT_TABLE: return tableDelegate;
    case OT_ARRAY: return arrayDelegate;
    case OT_STRING: return stringDelegate;
    case OT_INTEGER:
    case OT_FLOAT:
    case OT_BOOL: return numberDelegate;
    case OT_CLOSURE:
    case OT_NATIVECLOSURE: return closureDelegate;
    case OT_GENERATOR: return generatorDelegate;
    case OT_THREAD: return threadDelegate;
    case OT_CLASS: return classDelegate;
    case OT_INSTANCE: return instanceDelegate;
    case OT_WEAKREF: return weakRefDelegate;
    default: return none;
  }
}

}  // namespace sqvm
