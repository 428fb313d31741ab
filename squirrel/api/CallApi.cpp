// Calling closures and resuming generators from the host.

#include "squirrel/api/ApiSupport.h"

using namespace sqvm;

SQRESULT sq_call(HSQUIRRELVM v, SQInteger params, SQBool retval, SQBool raiseerror) {
  // A native that calls again has let the overflow of an earlier call go: that one is over.
  v->overflowing = false;
  if (params < 0 || v->top - v->base < params + 1) return api::fail(v, "not enough parameters in the stack");
  Value closure = v->stack[v->top - params - 1];
  Value res;
  if (v->call(closure, params, v->top - params, res, raiseerror != 0)) {
    if (!v->suspended) v->pop(params);
    if (retval) v->push(std::move(res));
    return SQ_OK;
  }
  v->pop(params);
  return SQ_ERROR;
}

SQRESULT sq_resume(HSQUIRRELVM v, SQBool retval, SQBool raiseerror) {
  Value g = api::slotOrNull(v, -1);
  if (g._type != OT_GENERATOR) return api::fail(v, "only generators can be resumed");
  Value res;
  if (!v->execute(g, 0, v->top, res, raiseerror != 0, ExecType::ResumeGenerator)) return SQ_ERROR;
  if (retval) v->push(std::move(res));
  return SQ_OK;
}
