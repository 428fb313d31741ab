#pragma once

#include "script/ScriptObject.h"
#include "script/ScriptStack.h"
#include "squirrel/squirrel.h"

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

// Binding of natives: one template family for every signature. A registered native is a native
// closure whose single free variable is a user data holding the function pointer (or, for a
// method of a registered class, the member-function pointer); its native function is the
// dispatcher instance of that pointer's type, which reads the script's arguments by type, calls
// the native and pushes its result.
//
// Parameter types of a native, in script order after an optional leading HSQUIRRELVM (the
// machine running it):
//   int32_t  a number, floats truncated toward zero      "get integer from stack(%d)"
//   float    a number, integers converted                "get float from stack(%d)"
//   bool     a bool (integers are refused)               "get bool from stack(%d)"
//   const char16_t*  a string, valid during the call     "get string from stack(%d)"
//   T*       a user pointer (an object the host handed out) "get user pointer from stack(%d)"
//   ScriptObject     any value                           "get stack object(%d)"
// Result types: void (the script sees null), int32_t, float, bool, SQBool (a 32-bit truth value,
// non-zero is true), const char16_t* (null pushes null), T* (a user pointer, also when null) and
// ScriptObject. A method of class C takes `this` as the instance's native data (a C) and may take
// a ScriptStack* alone to read its own arguments.
//
// Arguments are read from the last to the first, so of several bad arguments the highest slot's
// message comes first. Extra arguments are ignored. When a reader has reported (and the error
// hook returned), the native is not called and the script sees null.
namespace ScriptNative {

// The function pointer stored in the free variable (the frame's last slot); false after "get
// user data from stack(%d)".
bool readFunction(HSQUIRRELVM vm, SQInteger frameTop, void* function, std::size_t size);
// Registers `dispatcher` with a copy of the function bytes as its free variable under `name`.
void registerNative(const ScriptObject& target, const char16_t* name, const void* function,
                    std::size_t size, SQFUNCTION dispatcher);
// Creates a class without a base in the table: instance data size, type tag; null handle after
// "can't create class(%ls)".
ScriptObject registerClass(const ScriptObject& table, const char16_t* name, int32_t size,
                           SQUserPointer typeTag);

template <class T>
struct Argument;

template <>
struct Argument<int32_t> {
  using Stored = int32_t;
  static bool read(const ScriptStack& s, int32_t n, Stored& out) { return s.readInteger(n, out); }
  static int32_t get(Stored value) { return value; }
};

template <>
struct Argument<float> {
  using Stored = float;
  static bool read(const ScriptStack& s, int32_t n, Stored& out) { return s.readFloat(n, out); }
  static float get(Stored value) { return value; }
};

template <>
struct Argument<bool> {
  using Stored = bool;
  static bool read(const ScriptStack& s, int32_t n, Stored& out) { return s.readBool(n, out); }
  static bool get(Stored value) { return value; }
};

template <>
struct Argument<const char16_t*> {
  using Stored = const char16_t*;
  static bool read(const ScriptStack& s, int32_t n, Stored& out) { return s.readString(n, out); }
  static const char16_t* get(Stored value) { return value; }
};

template <>
struct Argument<ScriptObject> {
  using Stored = ScriptObject;
  static bool read(const ScriptStack& s, int32_t n, Stored& out) { return s.readObject(n, out); }
  static ScriptObject get(Stored& value) { return std::move(value); }
};

template <class T>
struct Argument<T*> {
  using Stored = void*;
  static bool read(const ScriptStack& s, int32_t n, Stored& out) {
    return s.readUserPointer(n, out);
  }
  static T* get(Stored value) { return static_cast<T*>(value); }
};

template <class T>
using Bare = std::remove_cvref_t<T>;

// Reads the script arguments A... from slots 2.. of the frame, the last first.
template <class... A>
struct Arguments {
  std::tuple<typename Argument<Bare<A>>::Stored...> values;

  bool read(const ScriptStack& stack) {
    return readFromLast(stack, std::index_sequence_for<A...>());
  }
  template <class Call>
  decltype(auto) apply(Call&& call) {
    return applyWith(std::forward<Call>(call), std::index_sequence_for<A...>());
  }

 private:
  template <std::size_t... I>
  bool readFromLast(const ScriptStack& stack, std::index_sequence<I...>) {
    constexpr std::size_t count = sizeof...(A);
    bool ok = true;
    // The comma fold runs its operands in order: index count - 1 first.
    ((ok = readOne<count - 1 - I>(stack) && ok), ...);
    return ok;
  }
  template <std::size_t K>
  bool readOne(const ScriptStack& stack) {
    using Type = Bare<std::tuple_element_t<K, std::tuple<A...>>>;
    return Argument<Type>::read(stack, static_cast<int32_t>(K) + 2, std::get<K>(values));
  }
  template <class Call, std::size_t... I>
  decltype(auto) applyWith(Call&& call, std::index_sequence<I...>) {
    return call(Argument<Bare<A>>::get(std::get<I>(values))...);
  }
};

template <class R>
SQInteger pushResult(HSQUIRRELVM vm, R result) {
  if constexpr (std::is_same_v<R, bool>) {
    sq_pushbool(vm, result ? SQTrue : SQFalse);
  } else if constexpr (std::is_same_v<R, SQBool>) {
    sq_pushbool(vm, result != 0 ? SQTrue : SQFalse);
  } else if constexpr (std::is_same_v<R, int32_t>) {
    sq_pushinteger(vm, result);
  } else if constexpr (std::is_same_v<R, float>) {
    sq_pushfloat(vm, result);
  } else if constexpr (std::is_same_v<R, const char16_t*>) {
    if (result) {
      sq_pushstring(vm, result, -1);
    } else {
      sq_pushnull(vm);
    }
  } else if constexpr (std::is_same_v<R, ScriptObject>) {
    sq_pushobject(vm, result.getObject());
  } else {
    static_assert(std::is_pointer_v<R>, "unsupported native result type");
    sq_pushuserpointer(vm, const_cast<void*>(static_cast<const void*>(result)));
  }
  return 1;
}

// Reads the arguments, calls and pushes the result: 1 when a result was pushed, else 0.
template <class R, class... A, class Call>
SQInteger invokeWith(const ScriptStack& stack, Call&& call) {
  Arguments<A...> arguments;
  if (!arguments.read(stack)) {
    return 0;
  }
  if constexpr (std::is_void_v<R>) {
    arguments.apply(call);
    return 0;
  } else {
    return pushResult<R>(stack.vm, arguments.apply(call));
  }
}

template <class R, class... A>
SQInteger invoke(const ScriptStack& stack, R (*function)(A...)) {
  return invokeWith<R, A...>(stack, [function](auto&&... args) -> R {
    return function(std::forward<decltype(args)>(args)...);
  });
}

template <class R, class... A>
SQInteger invoke(const ScriptStack& stack, R (*function)(HSQUIRRELVM, A...)) {
  return invokeWith<R, A...>(stack, [&stack, function](auto&&... args) -> R {
    return function(stack.vm, std::forward<decltype(args)>(args)...);
  });
}

template <class C, class R, class... A>
SQInteger invokeMethod(C* self, R (C::*method)(A...), const ScriptStack& stack) {
  return invokeWith<R, A...>(stack, [self, method](auto&&... args) -> R {
    return (self->*method)(std::forward<decltype(args)>(args)...);
  });
}

template <class C, class R, class... A>
SQInteger invokeMethod(C* self, R (C::*method)(HSQUIRRELVM, A...), const ScriptStack& stack) {
  return invokeWith<R, A...>(stack, [self, method, &stack](auto&&... args) -> R {
    return (self->*method)(stack.vm, std::forward<decltype(args)>(args)...);
  });
}

template <class C>
SQInteger invokeMethod(C* self, void (C::*method)(ScriptStack*), const ScriptStack& stack) {
  ScriptStack own = stack;
  (self->*method)(&own);
  return 0;
}

template <class F>
SQInteger dispatch(HSQUIRRELVM vm) {
  const SQInteger frameTop = sq_gettop(vm);
  F function{};
  if (!readFunction(vm, frameTop, &function, sizeof(F))) {
    return 0;
  }
  return invoke(ScriptStack{vm, static_cast<int32_t>(frameTop) - 1}, function);
}

template <class>
struct MethodClass;

template <class R, class C, class... A>
struct MethodClass<R (C::*)(A...)> {
  using Type = C;
};

template <class F>
SQInteger dispatchMethod(HSQUIRRELVM vm) {
  using C = typename MethodClass<F>::Type;
  const SQInteger frameTop = sq_gettop(vm);
  const ScriptStack stack{vm, static_cast<int32_t>(frameTop) - 1};
  // The class tag is checked: another class's instance is never read as a C.
  C* self = static_cast<C*>(stack.getInstanceUp(1, C::typeTag()));
  F method{};
  if (!readFunction(vm, frameTop, &method, sizeof(F)) || !self) {
    return 0;
  }
  return invokeMethod(self, method, stack);
}

template <class F>
constexpr SQFUNCTION dispatcherOf() {
  if constexpr (std::is_member_function_pointer_v<F>) {
    return &dispatchMethod<F>;
  } else {
    return &dispatch<F>;
  }
}

}  // namespace ScriptNative

template <class Function>
const ScriptObject& ScriptObject::registerFunction(const char16_t* name, Function function) const {
  static_assert(std::is_trivially_copyable_v<Function>);
  ScriptNative::registerNative(*this, name, &function, sizeof(Function),
                               ScriptNative::dispatcherOf<Function>());
  return *this;
}

template <class T>
ScriptObject ScriptObject::registerClass() const {
  return ScriptNative::registerClass(*this, T::kScriptClassName, static_cast<int32_t>(sizeof(T)),
                                     T::typeTag());
}
