#include "squirrel/vm/ProtoCheck.h"

#include "squirrel/vm/FunctionProto.h"

#include <string>

namespace sqvm {

namespace {

constexpr int kMaxNesting = 200;

class Checker {
 public:
  Checker(const sqformat::FunctionData& d, std::u16string& error) : d_(d), error_(error) {}

  bool fail(const char* what) {
    std::string msg = "invalid closure: ";
    msg += what;
    if (index_ >= 0) msg += " at instruction " + std::to_string(index_);
    error_.assign(msg.begin(), msg.end());
    return false;
  }
  bool reg(int64_t r) { return (r >= 0 && r < d_.stackSize) || fail("register out of range"); }
  bool regOrNone(int64_t r) { return r == 0xFF || reg(r); }
  bool literal(int64_t k) {
    return (k >= 0 && static_cast<size_t>(k) < d_.literals.size()) || fail("literal out of range");
  }
  bool jump(int64_t delta) {
    const int64_t target = index_ + 1 + delta;
    return (target >= 0 && target <= static_cast<int64_t>(d_.instructions.size())) ||
           fail("jump out of range");
  }
  bool arithOp(uint8_t op) {
    return (op == '+' || op == '-' || op == '*' || op == '/' || op == '%') ||
           fail("unknown arithmetic operator");
  }

  bool instruction(const sqformat::Instruction& in) {
    const int64_t a1 = in.arg1;
    switch (in.op) {
      case OP_LINE: return true;
      case OP_LOADINT:
      case OP_LOADFLOAT:
      case OP_LOADROOTTABLE:
      case OP_LOADBOOL:
      case OP_VARGC:
      case OP_NEWTABLE:
      case OP_NEWARRAY: return reg(in.arg0);
      case OP_LOAD: return reg(in.arg0) && literal(a1);
      case OP_DLOAD: return reg(in.arg0) && literal(a1) && reg(in.arg2) && literal(in.arg3);
      case OP_TAILCALL:
      case OP_CALL:
        return reg(in.arg0) && reg(a1) && reg(in.arg2) &&
               ((in.arg3 >= 1 && in.arg2 + in.arg3 <= d_.stackSize) || fail("bad argument block"));
      case OP_PREPCALL:
      case OP_NEWSLOT:
      case OP_SET:
      case OP_DMOVE: return reg(in.arg0) && reg(a1) && reg(in.arg2) && reg(in.arg3);
      case OP_PREPCALLK: return reg(in.arg0) && literal(a1) && reg(in.arg2) && reg(in.arg3);
      case OP_GETK: return reg(in.arg0) && literal(a1) && reg(in.arg2);
      case OP_MOVE:
      case OP_GETPARENT:
      case OP_NEG:
      case OP_NOT:
      case OP_BWNOT:
      case OP_CLONE:
      case OP_TYPEOF:
      case OP_RESUME:
      case OP_GETVARGV:
      case OP_INCL:
      case OP_PINCL: return reg(in.arg0) && reg(a1);
      case OP_DELETE:
      case OP_GET:
      case OP_EXISTS:
      case OP_INSTANCEOF:
      case OP_DELEGATE:
      case OP_INC:
      case OP_PINC: return reg(in.arg0) && reg(a1) && reg(in.arg2);
      case OP_EQ:
      case OP_NE: return reg(in.arg0) && (in.arg3 ? literal(a1) : reg(a1)) && reg(in.arg2);
      case OP_ARITH:
      case OP_COMPARITHL: return reg(in.arg0) && reg(a1) && reg(in.arg2) && arithOp(in.arg3);
      case OP_BITW:
        return reg(in.arg0) && reg(a1) && reg(in.arg2) &&
               ((in.arg3 <= 6 && in.arg3 != 1) || fail("unknown bitwise operator"));
      case OP_CMP:
        return reg(in.arg0) && reg(a1) && reg(in.arg2) &&
               ((in.arg3 <= 4 && in.arg3 != 1) || fail("unknown comparison"));
      case OP_COMPARITH:
        return reg(in.arg0) && reg((a1 >> 16) & 0xFFFF) && reg(a1 & 0xFFFF) && reg(in.arg2) &&
               arithOp(in.arg3);
      case OP_RETURN:
      case OP_YIELD: return in.arg0 == 0xFF || reg(a1);
      case OP_LOADNULLS:
        return (in.arg1 >= 0 && in.arg0 + a1 <= d_.stackSize) || fail("register out of range");
      case OP_JMP: return jump(a1);
      case OP_JNZ:
      case OP_JZ: return reg(in.arg0) && jump(a1);
      case OP_LOADFREEVAR:
        return reg(in.arg0) && ((a1 >= 0 && static_cast<size_t>(a1) < d_.outerValues.size()) ||
                                fail("outer value out of range"));
      case OP_APPENDARRAY: return reg(in.arg0) && (in.arg3 ? literal(a1) : reg(a1));
      case OP_AND:
      case OP_OR: return reg(in.arg0) && reg(in.arg2) && jump(a1);
      case OP_CLOSURE:
        return reg(in.arg0) && ((a1 >= 0 && static_cast<size_t>(a1) < d_.functions.size()) ||
                                fail("function out of range"));
      case OP_FOREACH:
        return reg(in.arg0) && reg(in.arg2) && reg(in.arg2 + 2) && jump(a1) &&
               (index_ + 2 <= static_cast<int64_t>(d_.instructions.size()) ||
                fail("foreach at the end of the function"));
      case OP_POSTFOREACH: return reg(in.arg0) && jump(a1 - 1);
      case OP_PUSHTRAP: return reg(in.arg0) && jump(a1);
      case OP_POPTRAP: return true;
      case OP_THROW: return reg(in.arg0);
      case OP_CLASS: return reg(in.arg0) && (a1 == -1 || reg(a1)) && regOrNone(in.arg2);
      case OP_NEWSLOTA:
        return reg(a1) && reg(in.arg2) && reg(in.arg3) &&
               (!(in.arg0 & 1) || reg(static_cast<int64_t>(in.arg2) - 1));
      default: return fail("unknown instruction");
    }
  }

  bool run(const sqformat::FunctionData* parent) {
    if (d_.stackSize < 1 || d_.stackSize > kMaxStackSize) return fail("bad stack size");
    if (d_.parameters.empty() || d_.parameters.size() > static_cast<size_t>(d_.stackSize)) {
      return fail("bad parameter count");
    }
    if (d_.defaultParams.size() >= d_.parameters.size()) return fail("too many default parameters");
    for (const sqformat::OuterValue& o : d_.outerValues) {
      const int32_t* n = std::get_if<int32_t>(&o.source);
      switch (o.kind) {
        case sqformat::OuterKind::Local:
          if (!n || (parent && (*n < 0 || *n >= parent->stackSize))) return fail("bad outer value");
          break;
        case sqformat::OuterKind::Outer:
          if (!n || (parent && (*n < 0 || static_cast<size_t>(*n) >= parent->outerValues.size()))) {
            return fail("bad outer value");
          }
          break;
        case sqformat::OuterKind::Symbol:
          if (!std::holds_alternative<std::u16string>(o.source)) return fail("bad outer value");
          break;
        default: return fail("bad outer value kind");
      }
    }
    if (parent) {
      for (int32_t r : d_.defaultParams) {
        if (r < 0 || r >= parent->stackSize) return fail("bad default parameter register");
      }
    }
    for (size_t i = 0; i < d_.instructions.size(); ++i) {
      index_ = static_cast<int64_t>(i);
      if (!instruction(d_.instructions[i])) return false;
    }
    index_ = -1;
    return true;
  }

 private:
  const sqformat::FunctionData& d_;
  std::u16string& error_;
  int64_t index_ = -1;
};

bool checkTree(const sqformat::FunctionData& d, const sqformat::FunctionData* parent, int depth,
               std::u16string& error) {
  if (depth > kMaxNesting) {
    error = u"invalid closure: functions nested too deeply";
    return false;
  }
  if (!Checker(d, error).run(parent)) return false;
  for (const auto& f : d.functions) {
    if (!f || !checkTree(*f, &d, depth + 1, error)) {
      if (!f) error = u"invalid closure: missing function";
      return false;
    }
  }
  return true;
}

}  // namespace

bool checkFunctionData(const sqformat::FunctionData& d, const sqformat::FunctionData* parent,
                       std::u16string& error) {
  return checkTree(d, parent, 0, error);
}

}  // namespace sqvm
