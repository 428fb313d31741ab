// Writing a script closure as a compiled stream. Kept apart from the reader: it needs the
// stream writer, which lives with the compiler.

#include "squirrel/api/ApiSupport.h"
#include "squirrel/format/ClosureWriter.h"

using namespace sqvm;

SQRESULT sq_writeclosure(HSQUIRRELVM v, SQWRITEFUNC writef, SQUserPointer up) {
  const Value& o = api::slotOrNull(v, -1);
  if (o._type != OT_CLOSURE) return api::wrongType(v, "function", o);
  const auto data = protoToData(*asClosure(o)->proto);
  std::u16string error;
  const bool ok = sqformat::writeClosure(
      *data,
      [&](const void* buffer, std::size_t size) -> std::size_t {
        const SQInteger n = writef(up, const_cast<void*>(buffer), static_cast<SQInteger>(size));
        return n < 0 ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(n);
      },
      error);
  if (!ok) {
    v->raise(v->ss->str(error));
    return SQ_ERROR;
  }
  return SQ_OK;
}
