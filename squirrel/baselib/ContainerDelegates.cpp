// Default delegates of tables and arrays.

#include "squirrel/baselib/ArraySort.h"
#include "squirrel/baselib/Support.h"
#include "squirrel/vm/Array.h"

#include <algorithm>

namespace sqvm::baselib {

namespace {

ArrayValues& values(HSQUIRRELVM v) { return asArray(arg(v, 1))->values; }

// Raw, but like every read a stored weak reference gives its target.
SQInteger tableRawGet(HSQUIRRELVM v) {
  Value out;
  if (!v->get(Value(arg(v, 1)), Value(arg(v, 2)), out, true)) return error(v, "the index doesn't exist");
  return result(v, std::move(out));
}

SQInteger tableRawSet(HSQUIRRELVM v) {
  if (arg(v, 2)._type == OT_NULL) return error(v, "null key");
  asTable(arg(v, 1))->newSlot(arg(v, 2), arg(v, 3));
  return 0;
}

SQInteger tableRawDelete(HSQUIRRELVM v) {
  Table* t = asTable(arg(v, 1));
  Value out;
  if (t->get(arg(v, 2), out)) t->remove(arg(v, 2));
  return result(v, std::move(out));
}

SQInteger tableRawIn(HSQUIRRELVM v) {
  return result(v, Value::boolean(asTable(arg(v, 1))->find(arg(v, 2)) != nullptr));
}

SQInteger arrayAppend(HSQUIRRELVM v) {
  values(v).push_back(arg(v, 2));
  return 0;
}

SQInteger arrayExtend(HSQUIRRELVM v) {
  const ArrayValues other = asArray(arg(v, 2))->values;
  auto& vals = values(v);
  vals.insert(vals.end(), other.begin(), other.end());
  return 0;
}

SQInteger arrayPop(HSQUIRRELVM v) {
  auto& vals = values(v);
  if (vals.empty()) return error(v, "empty array");
  Value last = std::move(vals.back());
  vals.pop_back();
  return result(v, std::move(last));
}

SQInteger arrayTop(HSQUIRRELVM v) {
  auto& vals = values(v);
  if (vals.empty()) return error(v, "top() on a empty array");
  return result(v, vals.back());
}

SQInteger arrayInsert(HSQUIRRELVM v) {
  auto& vals = values(v);
  const SQInteger i = toInteger(arg(v, 2));
  if (i < 0 || static_cast<size_t>(i) > vals.size()) return error(v, "index out of range");
  vals.insert(vals.begin() + i, arg(v, 3));
  return 0;
}

SQInteger arrayRemove(HSQUIRRELVM v) {
  auto& vals = values(v);
  const SQInteger i = toInteger(arg(v, 2));
  if (i < 0 || static_cast<size_t>(i) >= vals.size()) return error(v, "idx out of range");
  Value removed = std::move(vals[i]);
  vals.erase(vals.begin() + i);
  return result(v, std::move(removed));
}

SQInteger arrayResize(HSQUIRRELVM v) {
  const SQInteger n = toInteger(arg(v, 2));
  if (n < 0) return error(v, "negative size");
  Value fill = argCount(v) > 2 ? arg(v, 3) : Value();
  values(v).resize(static_cast<size_t>(n), fill);
  return 0;
}

SQInteger arrayReverse(HSQUIRRELVM v) {
  auto& vals = values(v);
  std::reverse(vals.begin(), vals.end());
  return 0;
}

SQInteger arraySort(HSQUIRRELVM v) {
  Value self = arg(v, 1);
  Value cmp = argCount(v) > 1 ? arg(v, 2) : Value();
  if (!heapSort(v, asArray(self), cmp)) return SQ_ERROR;
  return 0;
}

SQInteger arraySlice(HSQUIRRELVM v) {
  const auto& vals = values(v);
  SQInteger start, end;
  if (!sliceRange(v, static_cast<SQInteger>(vals.size()), start, end)) return SQ_ERROR;
  Array* a = new Array(v->ss, 0);
  Value out(OT_ARRAY, a);
  a->values.assign(vals.begin() + start, vals.begin() + end);
  return result(v, std::move(out));
}

}  // namespace

void createContainerDelegates(SharedState& ss) {
  ss.tableDelegate = makeDelegate(ss, {
      {"len", delegateLen, 1, u"t"},
      {"rawget", tableRawGet, 2, u"t"},
      {"rawset", tableRawSet, 3, u"t"},
      {"rawdelete", tableRawDelete, 2, u"t"},
      {"rawin", tableRawIn, 2, u"t"},
      {"weakref", delegateWeakRef, 1, nullptr},
      {"tostring", delegateToString, 1, u"."},
      {"clear", delegateClear, 1, u"."},
  });
  ss.arrayDelegate = makeDelegate(ss, {
      {"len", delegateLen, 1, u"a"},
      {"append", arrayAppend, 2, u"a"},
      {"extend", arrayExtend, 2, u"aa"},
      {"push", arrayAppend, 2, u"a"},
      {"pop", arrayPop, 1, u"a"},
      {"top", arrayTop, 1, u"a"},
      {"insert", arrayInsert, 3, u"an"},
      {"remove", arrayRemove, 2, u"an"},
      {"resize", arrayResize, -2, u"an"},
      {"reverse", arrayReverse, 1, u"a"},
      {"sort", arraySort, -1, u"ac"},
      {"slice", arraySlice, -1, u"ann"},
      {"weakref", delegateWeakRef, 1, nullptr},
      {"tostring", delegateToString, 1, u"."},
      {"clear", delegateClear, 1, u"."},
  });
}

}  // namespace sqvm::baselib
