#pragma once

#include "squirrel/squirrel.h"

#include <cstdint>

class File;

// A handle to one script value: the machine it belongs to (on whose stack every operation runs)
// and the value itself. A handle of a reference-counted type holds one reference in the
// machine's shared reference table (sq_addref / sq_release); handles of other types hold
// nothing. Every operation leaves the machine's stack top where it found it.
//
// A handle must be dropped while its machine lives: the machine (a manager's, or a thread's for
// values taken from a thread's stack) is how the reference is released.
//
// Failures are the binding layer's level-0 messages (ScriptError.h); when the error hook
// returns, the operation yields the fallback its comment names.
class ScriptObject {
 public:
  // An unbound null handle.
  ScriptObject() noexcept;
  ScriptObject(const ScriptObject& other);
  ScriptObject(ScriptObject&& other) noexcept;
  ScriptObject& operator=(const ScriptObject& other);
  ScriptObject& operator=(ScriptObject&& other) noexcept;
  ~ScriptObject();

  // A new handle (a new reference) to a value of the machine's shared state.
  static ScriptObject reference(HSQUIRRELVM vm, const HSQOBJECT& object);
  // A stack slot: negative counts from the top (-1 is the top), positive is 1-based from the
  // frame base. An index outside the frame gives null.
  static ScriptObject fromStack(HSQUIRRELVM vm, SQInteger index);

  static ScriptObject newNull(HSQUIRRELVM vm);
  static ScriptObject newInteger(HSQUIRRELVM vm, int32_t value);
  static ScriptObject newFloat(HSQUIRRELVM vm, float value);
  static ScriptObject newBool(HSQUIRRELVM vm, bool value);
  // A null text gives a null value.
  static ScriptObject newString(const char16_t* text, HSQUIRRELVM vm);
  static ScriptObject newTable(HSQUIRRELVM vm);
  // An array of `count` nulls.
  static ScriptObject newArray(HSQUIRRELVM vm, int32_t count);
  static ScriptObject newUserPointer(HSQUIRRELVM vm, void* pointer);
  // The closure of a compiled script read from the open file; "can't read a closure" and a
  // null handle when the stream is refused.
  static ScriptObject readClosure(File& file, HSQUIRRELVM vm);

  HSQUIRRELVM getVm() const { return vm_; }
  const HSQOBJECT& getObject() const { return object_; }
  SQObjectType getType() const { return object_._type; }
  bool isNull() const { return object_._type == OT_NULL; }
  // Pushes the value on its machine's stack (the caller restores the top).
  void push() const;

  // The type tag of a class, a user data or an instance's class; other types report "can't get
  // object type tag" and give null.
  SQUserPointer getTypeTag() const;
  // String length in units, array element count, user data bytes, used table slots, an
  // instance's user-data size; other types report "can't get object size" and give 0.
  int32_t getSize() const;
  // Floats truncated toward zero; non-numbers 0.
  int32_t toInteger() const;
  // Integers converted; non-numbers 0.
  float toFloat() const;
  // The characters of a string (valid while the value lives); the empty string otherwise.
  const char16_t* toString() const;
  // The native data of an instance whose class (or a base of it) carries `typeTag`: anything
  // else, another class's instance included, reports "can't get instance up" and gives null.
  void* getInstanceUp(SQUserPointer typeTag) const;
  // A user pointer's value; other types report "can't get user pointer" and give null.
  void* getUserPointer() const;

  // Rebind the handle to a new value made on its own machine.
  void assignInteger(int32_t value);
  void assignFloat(float value);
  void assignString(const char16_t* text);
  // The delegate of a table or user data (sq_setdelegate); a failure changes nothing.
  void setDelegate(const HSQOBJECT& delegate) const;

  // Slot lookups use sq_get (delegates, class members, default delegates); on success the value
  // stays pushed and true is returned, else nothing stays pushed.
  bool pushSlot(const char16_t* name) const;
  bool pushSlotByIndex(int32_t index) const;
  bool pushSlotByKey(const HSQOBJECT& key) const;
  // The value, or a null handle when absent; nothing is reported.
  ScriptObject findSlot(const char16_t* name) const;
  ScriptObject findSlotByIndex(int32_t index) const;
  ScriptObject findSlotByKey(const HSQOBJECT& key) const;
  // As find, but a null result (absent, or holding null) reports "can't find object".
  ScriptObject getSlot(const char16_t* name) const;
  ScriptObject getSlotByIndex(int32_t index) const;
  // True when the found value is not null.
  bool hasSlot(const char16_t* name) const;
  bool hasSlotByKey(const HSQOBJECT& key) const;
  // sq_rawset: creates a missing table slot, writes array elements and class or instance
  // members directly; a failure reports "can't set value".
  void setSlot(const char16_t* name, const HSQOBJECT& value) const;
  void setSlotByIndex(int32_t index, const HSQOBJECT& value) const;

  // Typed reads: only numbers count for integers and floats (floats truncated, integers
  // converted), only bools for bools, only strings for strings.
  int32_t getIntegerSlot(const char16_t* name) const;
  int32_t getIntegerSlotByIndex(int32_t index, int32_t fallback) const;
  int32_t getIntegerSlotByKey(const HSQOBJECT& key, int32_t fallback) const;
  float getFloatSlot(const char16_t* name) const;
  float getFloatSlotByIndex(int32_t index, float fallback) const;
  float getFloatSlotByKey(const HSQOBJECT& key, float fallback) const;
  bool getBoolSlot(const char16_t* name) const;
  bool getBoolSlotByIndex(int32_t index) const;
  bool getBoolSlotByKey(const HSQOBJECT& key) const;
  // Never null: the empty string when absent or not a string.
  const char16_t* getStringSlot(const char16_t* name) const;
  const char16_t* getStringSlotByIndex(int32_t index) const;
  // Absent: "can't find slot(%ls) for user pointer"; not a user pointer: "can't get user
  // pointer"; null either way.
  void* getUserPointerSlot(const char16_t* name) const;
  void* getUserPointerSlotByKey(const HSQOBJECT& key) const;

  void setIntegerSlot(const char16_t* name, int32_t value) const;
  void setIntegerSlotByKey(const HSQOBJECT& key, int32_t value) const;
  void setFloatSlotByKey(const HSQOBJECT& key, float value) const;
  void setFloatSlotByIndex(int32_t index, float value) const;
  void setBoolSlotByKey(const HSQOBJECT& key, bool value) const;

  // Binding (ScriptNative.h): a native or a method of a registered class under a name of this
  // table or class; returns this handle so registrations chain.
  template <class Function>
  const ScriptObject& registerFunction(const char16_t* name, Function function) const;
  // Creates the script class of T (T::kScriptClassName, T::typeTag(), sizeof(T) bytes of
  // instance data) in this table and returns it.
  template <class T>
  ScriptObject registerClass() const;

 private:
  // Takes the value on top of the stack as a new reference; does not pop it.
  static ScriptObject fromTop(HSQUIRRELVM vm);
  void addRef();
  void releaseRef();

  HSQUIRRELVM vm_ = nullptr;
  HSQOBJECT object_;
};
