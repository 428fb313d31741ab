// One step of a foreach loop over each kind of container.

#include "squirrel/vm/Array.h"
#include "squirrel/vm/Generator.h"
#include "squirrel/vm/VM.h"
#include "squirrel/vm/WeakRef.h"

namespace sqvm {

bool VM::foreachStep(Instruction in, ForeachStep& step) {
  Value container = stack[base + in.arg0];
  const int32_t k = base + in.arg2;  // key, value, iterator registers
  const Value& iter = stack[k + 2];
  const SQInteger from = iter._type == OT_INTEGER ? iter.i() : 0;
  step = ForeachStep::Produced;
  switch (container._type) {
    case OT_TABLE:
    case OT_CLASS: {
      Table* t = container._type == OT_TABLE ? asTable(container) : asClass(container)->members;
      Value key, val;
      const int32_t idx = from < 0 ? -1 : t->next(static_cast<uint32_t>(from), key, val);
      if (idx < 0) {
        step = ForeachStep::Ended;
        return true;
      }
      if (container._type == OT_CLASS) {
        Value member;
        asClass(container)->get(key, member);
        val = std::move(member);
      }
      stack[k] = std::move(key);
      stack[k + 1] = derefWeak(val);
      stack[k + 2].setInteger(idx + 1);
      return true;
    }
    case OT_ARRAY: {
      const auto& vals = asArray(container)->values;
      if (from < 0 || static_cast<size_t>(from) >= vals.size()) {
        step = ForeachStep::Ended;
        return true;
      }
      stack[k].setInteger(from);
      stack[k + 1] = derefWeak(vals[from]);
      stack[k + 2].setInteger(from + 1);
      return true;
    }
    case OT_STRING: {
      const String* s = asString(container);
      if (from < 0 || static_cast<uint32_t>(from) >= s->length) {
        step = ForeachStep::Ended;
        return true;
      }
      stack[k].setInteger(from);
      stack[k + 1].setInteger(s->data[from]);
      stack[k + 2].setInteger(from + 1);
      return true;
    }
    case OT_INSTANCE:
    case OT_USERDATA: {
      Value next;
      const Meta m = tryMeta(container, MT_NEXTI, next, container, Value(stack[k + 2]));
      if (m == Meta::Absent) return raise("_nexti failed");
      if (m == Meta::Failed) return false;
      if (next._type == OT_NULL) {
        step = ForeachStep::Ended;
        return true;
      }
      Value val;
      if (!get(container, next, val, false)) return raise("_nexti returned an invalid idx");
      stack[k] = next;
      stack[k + 1] = std::move(val);
      stack[k + 2] = std::move(next);
      return true;
    }
    case OT_GENERATOR: {
      Generator* g = asGenerator(container);
      if (g->state == Generator::State::Dead) {
        step = ForeachStep::Ended;
        return true;
      }
      const SQInteger n = iter._type == OT_NULL ? 0 : from + 1;
      stack[k].setInteger(n);
      stack[k + 2].setInteger(n);
      if (!g->resume(this, in.arg2 + 1)) return false;
      step = ForeachStep::Generator;
      return true;
    }
    default: return raiseFormat("cannot iterate %s", typeNameAscii(container._type));
  }
}

}  // namespace sqvm
