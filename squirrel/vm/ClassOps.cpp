// Instructions that build things: closures, classes and class or table members.

#include "squirrel/vm/VM.h"

namespace sqvm {

bool VM::createClosure(Instruction in) {
  CallInfo& c = calls.back();
  Closure* outer = asClosure(c.closure);
  FunctionProto* fp = c.proto->functions[in.arg1];
  Closure* clo = new Closure(ss, fp);
  Value result(OT_CLOSURE, clo);
  clo->outers.reserve(fp->outers.size());
  for (const OuterInfo& o : fp->outers) {
    switch (o.kind) {
      case sqformat::OuterKind::Local: clo->outers.push_back(stack[base + o.source.i()]); break;
      case sqformat::OuterKind::Outer: clo->outers.push_back(outer->outers[o.source.i()]); break;
      default: {
        Value v;
        if (!getWithRoot(Value(stack[base]), o.source, v)) return raiseIndexError(o.source);
        clo->outers.push_back(std::move(v));
        break;
      }
    }
  }
  clo->defaults.reserve(fp->defaultParams.size());
  for (int32_t r : fp->defaultParams) clo->defaults.push_back(stack[base + r]);
  stack[base + in.arg0] = std::move(result);
  return true;
}

bool VM::declareClass(Instruction in) {
  Class* baseClass = nullptr;
  if (in.arg1 != -1) {
    const Value& b = stack[base + in.arg1];
    if (b._type != OT_CLASS) return raiseFormat("trying to inherit from a %s", typeNameAscii(b._type));
    baseClass = asClass(b);
  }
  Value attrs;
  if (in.arg2 != 0xFF) attrs = stack[base + in.arg2];
  Class* c = new Class(ss, baseClass);
  Value cv(OT_CLASS, c);
  if (baseClass && c->metaMethods[MT_INHERITED]._type != OT_NULL) {
    Value ignored;
    if (!callWith(Value(c->metaMethods[MT_INHERITED]), ignored, cv, attrs) && overflowing) return false;
  }
  c->attributes = attrs;
  stack[base + in.arg0] = std::move(cv);
  return true;
}

bool VM::newSlotA(Instruction in) {
  Value self = stack[base + in.arg1];
  Value key = stack[base + in.arg2];
  Value val = stack[base + in.arg3];
  const bool hasAttrs = (in.arg0 & 1) != 0;
  const bool isStatic = (in.arg0 & 2) != 0;
  if (self._type != OT_CLASS) return newSlot(self, key, val, false);
  if (key._type == OT_NULL) return raise("null cannot be used as index");
  Value attrs;
  if (hasAttrs) attrs = stack[base + in.arg2 - 1];
  return addClassMember(self, key, val, hasAttrs ? &attrs : nullptr, isStatic);
}

bool VM::addClassMember(const Value& cls, const Value& key, const Value& val, const Value* attrs,
                        bool isStatic) {
  Class* c = asClass(cls);
  if (c->metaMethods[MT_NEWMEMBER]._type != OT_NULL) {
    Value ignored;
    if (callWith(Value(c->metaMethods[MT_NEWMEMBER]), ignored, cls, key, val,
                 attrs ? *attrs : Value(), Value::boolean(isStatic))) {
      return true;
    }
    if (overflowing) return false;
  }
  if (!c->newSlot(key, val, isStatic)) {
    return raise("trying to modify a class that has already been instantiated");
  }
  if (attrs) c->setAttributes(key, *attrs);
  return true;
}

}  // namespace sqvm
