// Default delegates of classes, instances and weak references.

#include "squirrel/baselib/Support.h"
#include "squirrel/vm/WeakRef.h"

namespace sqvm::baselib {

namespace {

SQInteger classGetAttributes(HSQUIRRELVM v) {
  Value attrs;
  if (!asClass(arg(v, 1))->getAttributes(arg(v, 2), attrs)) return error(v, "wrong index");
  return result(v, std::move(attrs));
}

SQInteger classSetAttributes(HSQUIRRELVM v) {
  Class* c = asClass(arg(v, 1));
  Value old;
  if (!c->getAttributes(arg(v, 2), old)) return error(v, "wrong index");
  c->setAttributes(arg(v, 2), arg(v, 3));
  return result(v, std::move(old));
}

SQInteger classRawIn(HSQUIRRELVM v) {
  Value tmp;
  return result(v, Value::boolean(asClass(arg(v, 1))->get(arg(v, 2), tmp)));
}

SQInteger classInstance(HSQUIRRELVM v) {
  return result(v, Value(OT_INSTANCE, asClass(arg(v, 1))->createInstance()));
}

SQInteger instanceGetClass(HSQUIRRELVM v) {
  Class* c = asInstance(arg(v, 1))->cls;
  return result(v, c ? Value(OT_CLASS, c) : Value());
}

SQInteger instanceRawIn(HSQUIRRELVM v) {
  Value tmp;
  return result(v, Value::boolean(asInstance(arg(v, 1))->get(arg(v, 2), tmp)));
}

SQInteger weakRefRef(HSQUIRRELVM v) { return result(v, asWeakRef(arg(v, 1))->get()); }

}  // namespace

void createObjectDelegates(SharedState& ss) {
  ss.classDelegate = makeDelegate(ss, {
      {"getattributes", classGetAttributes, 2, u"y."},
      {"setattributes", classSetAttributes, 3, u"y.."},
      {"rawin", classRawIn, 2, u"y"},
      {"weakref", delegateWeakRef, 1, nullptr},
      {"tostring", delegateToString, 1, u"."},
      {"instance", classInstance, 1, u"y"},
  });
  ss.instanceDelegate = makeDelegate(ss, {
      {"getclass", instanceGetClass, 1, u"x"},
      {"rawin", instanceRawIn, 2, u"x"},
      {"weakref", delegateWeakRef, 1, nullptr},
      {"tostring", delegateToString, 1, u"."},
  });
  ss.weakRefDelegate = makeDelegate(ss, {
      {"ref", weakRefRef, 1, u"r"},
      {"weakref", delegateWeakRef, 1, nullptr},
      {"tostring", delegateToString, 1, u"."},
  });
}

}  // namespace sqvm::baselib
