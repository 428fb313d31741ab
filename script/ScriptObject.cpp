#include "script/ScriptObject.h"

#include "foundation/file/File.h"
#include "foundation/omb/file/ombFile.h"
#include "script/ScriptError.h"
#include "script/ScriptStackTop.h"

#include <utility>

namespace {

HSQOBJECT nullObject() {
  HSQOBJECT object;
  sq_resetobject(&object);
  return object;
}

// Fills the whole buffer, or reports the short read (File::read's own message). Under a hook
// that returns, the count tells the reader how much was really there, so a stream cut short
// ends its reading instead of being taken for bytes that never came.
SQInteger readFromFile(SQUserPointer up, SQUserPointer buffer, SQInteger size) {
  if (size <= 0) {
    return 0;
  }
  auto* file = static_cast<File*>(up);
  uint64_t position = 0;
  uint64_t total = 0;
  const bool known = ombFileTell(&position, file->get()) >= 0 &&
                     ombFileGetSize(&total, file->get()) >= 0;
  const uint64_t left = known && total > position ? total - position : 0;
  file->read(buffer, static_cast<uint32_t>(size));
  return left < static_cast<uint64_t>(size) ? static_cast<SQInteger>(left) : size;
}

}  // namespace

ScriptObject::ScriptObject() noexcept : object_(nullObject()) {}

ScriptObject::ScriptObject(const ScriptObject& other) : vm_(other.vm_), object_(other.object_) {
  addRef();
}

ScriptObject::ScriptObject(ScriptObject&& other) noexcept
    : vm_(other.vm_), object_(std::exchange(other.object_, nullObject())) {}

ScriptObject& ScriptObject::operator=(const ScriptObject& other) {
  ScriptObject copy(other);
  releaseRef();
  vm_ = copy.vm_;
  object_ = std::exchange(copy.object_, nullObject());
  return *this;
}

ScriptObject& ScriptObject::operator=(ScriptObject&& other) noexcept {
  if (this != &other) {
    releaseRef();
    vm_ = other.vm_;
    object_ = std::exchange(other.object_, nullObject());
  }
  return *this;
}

ScriptObject::~ScriptObject() {
  releaseRef();
}

void ScriptObject::addRef() {
  if (vm_ && ISREFCOUNTED(object_._type)) {
    sq_addref(vm_, &object_);
  }
}

void ScriptObject::releaseRef() {
  if (vm_ && ISREFCOUNTED(object_._type)) {
    sq_release(vm_, &object_);
  }
}

ScriptObject ScriptObject::reference(HSQUIRRELVM vm, const HSQOBJECT& object) {
  ScriptObject handle;
  handle.vm_ = vm;
  handle.object_ = object;
  handle.addRef();
  return handle;
}

ScriptObject ScriptObject::fromStack(HSQUIRRELVM vm, SQInteger index) {
  HSQOBJECT object;
  sq_getstackobj(vm, index, &object);
  return reference(vm, object);
}

ScriptObject ScriptObject::fromTop(HSQUIRRELVM vm) {
  return fromStack(vm, -1);
}

void ScriptObject::push() const {
  sq_pushobject(vm_, object_);
}

ScriptObject ScriptObject::newNull(HSQUIRRELVM vm) {
  ScriptObject handle;
  handle.vm_ = vm;
  return handle;
}

ScriptObject ScriptObject::newInteger(HSQUIRRELVM vm, int32_t value) {
  ScriptStackTop top(vm);
  sq_pushinteger(vm, value);
  return fromTop(vm);
}

ScriptObject ScriptObject::newFloat(HSQUIRRELVM vm, float value) {
  ScriptStackTop top(vm);
  sq_pushfloat(vm, value);
  return fromTop(vm);
}

ScriptObject ScriptObject::newBool(HSQUIRRELVM vm, bool value) {
  ScriptStackTop top(vm);
  sq_pushbool(vm, value ? SQTrue : SQFalse);
  return fromTop(vm);
}

ScriptObject ScriptObject::newString(const char16_t* text, HSQUIRRELVM vm) {
  if (!text) {
    return newNull(vm);
  }
  ScriptStackTop top(vm);
  sq_pushstring(vm, text, -1);
  return fromTop(vm);
}

ScriptObject ScriptObject::newTable(HSQUIRRELVM vm) {
  ScriptStackTop top(vm);
  sq_newtable(vm);
  return fromTop(vm);
}

ScriptObject ScriptObject::newArray(HSQUIRRELVM vm, int32_t count) {
  ScriptStackTop top(vm);
  sq_newarray(vm, count > 0 ? count : 0);
  return fromTop(vm);
}

ScriptObject ScriptObject::newUserPointer(HSQUIRRELVM vm, void* pointer) {
  ScriptStackTop top(vm);
  sq_pushuserpointer(vm, pointer);
  return fromTop(vm);
}

ScriptObject ScriptObject::readClosure(File& file, HSQUIRRELVM vm) {
  {
    ScriptStackTop top(vm);
    if (SQ_SUCCEEDED(sq_readclosure(vm, readFromFile, &file))) {
      return fromTop(vm);
    }
  }
  scriptError(u"[%ls] Script Error: can't read a closure");
  return ScriptObject();
}

SQUserPointer ScriptObject::getTypeTag() const {
  HSQOBJECT object = object_;
  SQUserPointer tag = nullptr;
  if (SQ_FAILED(sq_getobjtypetag(&object, &tag))) {
    scriptError(u"[%ls] Script Error: can't get object type tag");
    return nullptr;
  }
  return tag;
}

int32_t ScriptObject::getSize() const {
  switch (object_._type) {
    case OT_STRING:
    case OT_TABLE:
    case OT_ARRAY:
    case OT_USERDATA: {
      ScriptStackTop top(vm_);
      push();
      return sq_getsize(vm_, -1);
    }
    default:
      // Instances and classes included: their "size" is not a count the callers could use.
      scriptError(u"[%ls] Script Error: can't get object size");
      return 0;
  }
}

int32_t ScriptObject::toInteger() const {
  HSQOBJECT object = object_;
  return sq_objtointeger(&object);
}

float ScriptObject::toFloat() const {
  HSQOBJECT object = object_;
  return sq_objtofloat(&object);
}

const char16_t* ScriptObject::toString() const {
  HSQOBJECT object = object_;
  const char16_t* text = sq_objtostring(&object);
  return text ? text : u"";
}

void* ScriptObject::getInstanceUp(SQUserPointer typeTag) const {
  SQUserPointer pointer = nullptr;
  bool found = false;
  if (vm_) {
    ScriptStackTop top(vm_);
    push();
    // A null tag would accept any class: the callers always name the class they expect.
    found = typeTag && SQ_SUCCEEDED(sq_getinstanceup(vm_, -1, &pointer, typeTag)) && pointer;
  }
  if (!found) {
    scriptError(u"[%ls] Script Error: can't get instance up");
    return nullptr;
  }
  return pointer;
}

void* ScriptObject::getUserPointer() const {
  if (object_._type != OT_USERPOINTER) {
    scriptError(u"[%ls] Script Error: can't get user pointer");
    return nullptr;
  }
  return object_._unVal.pUserPointer;
}

void ScriptObject::assignInteger(int32_t value) {
  *this = newInteger(vm_, value);
}

void ScriptObject::assignFloat(float value) {
  *this = newFloat(vm_, value);
}

void ScriptObject::assignString(const char16_t* text) {
  *this = newString(text, vm_);
}

void ScriptObject::setDelegate(const HSQOBJECT& delegate) const {
  if (!vm_) {
    return;
  }
  ScriptStackTop top(vm_);
  push();
  sq_pushobject(vm_, delegate);
  sq_setdelegate(vm_, -2);
}
