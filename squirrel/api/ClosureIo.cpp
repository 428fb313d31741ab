// Loading a compiled closure through a reader callback, and pushing the closure of a main
// function that was read or compiled.

#include "squirrel/api/ApiSupport.h"
#include "squirrel/format/ClosureReader.h"

using namespace sqvm;

SQRESULT sq_readclosure(HSQUIRRELVM v, SQREADFUNC readf, SQUserPointer up) {
  std::u16string error;
  auto data = sqformat::readClosure(
      [&](void* buffer, std::size_t size) -> std::size_t {
        const SQInteger got = readf(up, buffer, static_cast<SQInteger>(size));
        return got < 0 ? 0 : static_cast<std::size_t>(got);
      },
      error);
  if (!data) {
    v->raise(v->ss->str(error));
    return SQ_ERROR;
  }
  return api::pushMainClosure(v, *data);
}

SQRESULT api::pushMainClosure(HSQUIRRELVM v, const sqformat::FunctionData& data) {
  std::u16string error;
  FunctionProto* proto = buildProto(data, v->ss->strings, error);
  if (!proto) {
    v->raise(v->ss->str(error));
    return SQ_ERROR;
  }
  Closure* c = new Closure(v->ss, proto);
  Value clo(OT_CLOSURE, c);
  c->outers.resize(proto->outers.size());
  c->defaults.resize(proto->defaultParams.size());
  v->push(std::move(clo));
  return SQ_OK;
}
