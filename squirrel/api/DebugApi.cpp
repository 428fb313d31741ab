// Call-stack and local-variable information.

#include "squirrel/api/ApiSupport.h"

using namespace sqvm;

namespace {

const SQChar kNative[] = u"NATIVE";
const SQChar kUnknown[] = u"unknown";

const CallInfo* frameAt(HSQUIRRELVM v, SQInteger level, int32_t* frameBase) {
  if (level < 0 || static_cast<size_t>(level) >= v->calls.size()) return nullptr;
  const size_t i = v->calls.size() - 1 - static_cast<size_t>(level);
  if (frameBase) *frameBase = i + 1 == v->calls.size() ? v->base : v->calls[i + 1].prevBase;
  return &v->calls[i];
}

const SQChar* textOf(const Value& s) { return s._type == OT_STRING ? asString(s)->data : nullptr; }

}  // namespace

SQRESULT sq_stackinfos(HSQUIRRELVM v, SQInteger level, SQStackInfos* si) {
  const CallInfo* c = frameAt(v, level, nullptr);
  if (!c) return SQ_ERROR;
  if (c->proto) {
    si->funcname = textOf(c->proto->name);
    si->source = textOf(c->proto->sourceName);
    si->line = v->frameLine(*c);
  } else {
    const SQChar* name = c->closure._type == OT_NATIVECLOSURE
                             ? textOf(asNativeClosure(c->closure)->name)
                             : nullptr;
    si->funcname = name ? name : kUnknown;
    si->source = kNative;
    si->line = -1;
  }
  return SQ_OK;
}

const SQChar* sq_getlocal(HSQUIRRELVM v, SQUnsignedInteger level, SQUnsignedInteger idx) {
  int32_t frameBase = 0;
  const CallInfo* c = frameAt(v, static_cast<SQInteger>(level), &frameBase);
  if (!c || !c->proto) return nullptr;
  const Closure* clo = asClosure(c->closure);
  const FunctionProto* p = c->proto;
  if (idx < clo->outers.size() && idx < p->outers.size()) {
    v->push(clo->outers[idx]);
    return textOf(p->outers[idx].name);
  }
  idx -= static_cast<SQUnsignedInteger>(clo->outers.size());
  const int32_t cur = c->currentIndex();
  for (const LocalInfo& l : p->locals) {
    if (static_cast<int64_t>(l.first) <= cur && cur <= static_cast<int64_t>(l.last)) {
      if (idx == 0) {
        const size_t slotIndex = static_cast<size_t>(frameBase) + l.reg;
        const bool inFrame = l.reg < static_cast<uint32_t>(p->stackSize) && slotIndex < v->stack.size();
        v->push(inFrame ? v->stack[slotIndex] : Value());
        return textOf(l.name);
      }
      --idx;
    }
  }
  return nullptr;
}

SQRESULT sq_getfunctioninfo(HSQUIRRELVM v, SQInteger level, SQFunctionInfo* fi) {
  const CallInfo* c = frameAt(v, level, nullptr);
  if (!c || !c->proto) return api::fail(v, "the object is not a closure");
  fi->funcid = c->proto;
  fi->name = textOf(c->proto->name);
  fi->source = textOf(c->proto->sourceName);
  return SQ_OK;
}
