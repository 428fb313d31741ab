#include "squirrel/vm/FunctionProto.h"

#include "squirrel/vm/ProtoCheck.h"
#include "squirrel/vm/String.h"

namespace sqvm {

namespace {

Value literalValue(const sqformat::Literal& l, StringTable& strings) {
  if (const int32_t* i = std::get_if<int32_t>(&l)) return Value::integer(*i);
  if (const float* f = std::get_if<float>(&l)) return Value::number(*f);
  if (const std::u16string* s = std::get_if<std::u16string>(&l)) return makeString(strings, *s);
  return Value();
}

sqformat::Literal dataLiteral(const Value& v) {
  switch (v._type) {
    case OT_INTEGER: return v.i();
    case OT_FLOAT: return v.f();
    case OT_STRING: return std::u16string(asString(v)->view());
    default: return sqformat::Null{};
  }
}

FunctionProto* convert(const sqformat::FunctionData& d, StringTable& strings) {
  FunctionProto* p = new FunctionProto();
  p->sourceName = literalValue(d.sourceName, strings);
  p->name = literalValue(d.functionName, strings);
  p->literals.reserve(d.literals.size());
  for (const auto& l : d.literals) p->literals.push_back(literalValue(l, strings));
  for (const auto& l : d.parameters) p->parameters.push_back(literalValue(l, strings));
  for (const auto& o : d.outerValues) {
    p->outers.push_back({o.kind, literalValue(o.source, strings), literalValue(o.name, strings)});
  }
  for (const auto& l : d.localVarInfos) {
    p->locals.push_back({makeString(strings, l.name), l.reg, l.firstInstruction, l.lastInstruction});
  }
  p->lines = d.lineInfos;
  p->defaultParams = d.defaultParams;
  p->code = d.instructions;
  p->instructionCount = static_cast<uint32_t>(d.instructions.size());
  Instruction end;
  end.op = OP_RETURN;
  end.arg0 = 0xFF;
  p->code.push_back(end);
  specialiseCode(p->code);
  for (Instruction& in : p->code) {
    if (in.op == OP_PREPCALLK && p->literals[static_cast<size_t>(in.arg1)]._type == OT_STRING) {
      in.op = OP_PREPCALLK_STRING;
    }
  }
  p->stackSize = d.stackSize;
  p->generator = d.isGenerator;
  p->plainCallArgs = p->generator ? -1 : p->parameterCount();
  p->varargs = d.hasVarargs;
  p->functions.reserve(d.functions.size());
  for (const auto& f : d.functions) {
    FunctionProto* child = convert(*f, strings);
    addRef(child);
    p->functions.push_back(child);
  }
  return p;
}

bool isCompareJump(uint8_t op) { return op >= OP_CMPGJZ && op <= OP_CMPLEJZ; }

// An integer constant joined with the comparison-and-jump after it.
bool isConstantCompareJump(uint8_t op) {
  for (const int first : {OP_INTK_THEN, OP_INTK_STORE_THEN}) {
    if (op >= first + (OP_CMPGJZ - OP_ADD) && op <= first + (OP_CMPLEJZ - OP_ADD)) return true;
  }
  return false;
}

// A constant load joined with the form after it, whose arg2 and arg3 carry that form's operands.
bool isConstantOperandForm(uint8_t op) {
  return (op >= OP_INTK_THEN && op < OP_INCL_THEN_LOOP) ||
         (op >= OP_INTK_STORE_THEN && op < OP_K_STORE_THEN_END);
}

// Whether the instructions at `head` test the local that `step` increments, as the stepped
// loop form expects: an integer constant joined with a comparison of the local against it
// (the constant's register is not the local), or a comparison of
// the local against another register; then the JZ of the comparison. The step's target must
// not be the local, so the comparison sees the stepped value.
bool isLoopTest(const std::vector<Instruction>& code, int64_t head, const Instruction& step) {
  if (step.arg0 == step.arg1 || head < 0) return false;
  auto at = static_cast<size_t>(head);
  bool constant = false;
  uint8_t constantReg = 0;
  if (at < code.size() && isConstantCompareJump(code[at].op)) {
    constant = true;
    constantReg = code[at].arg0;
    if (constantReg == step.arg1) return false;
    ++at;
  }
  if (at + 1 >= code.size()) return false;
  const Instruction& cmp = code[at];
  if (!isCompareJump(cmp.op) || cmp.arg2 != step.arg1) return false;
  if (constant && cmp.arg1 != constantReg) return false;
  return code[at + 1].op == OP_JZ && code[at + 1].arg0 == cmp.arg0;
}

}  // namespace

uint8_t streamOpcode(uint8_t op) {
  if (op < OP_ADD) return op;
  if (op <= OP_MOD) return OP_ARITH;
  if (op <= OP_USHR) return OP_BITW;
  if (op <= OP_CMPLEJZ) return OP_CMP;
  if (op < OP_LOADFLOAT_THEN) return OP_LOADINT;
  if (op < OP_INCL_THEN_JMP) return OP_LOADFLOAT;
  if (op == OP_INCL_THEN_JMP) return OP_INCL;
  if (op == OP_PINCL_THEN_JMP) return OP_PINCL;
  if (op < OP_FLOATK_THEN) return OP_LOADINT;
  if (op < OP_INCL_THEN_LOOP) return OP_LOADFLOAT;
  if (op == OP_INCL_THEN_LOOP) return OP_INCL;
  if (op == OP_PINCL_THEN_LOOP) return OP_PINCL;
  if (op <= OP_MODL) return OP_COMPARITHL;
  if (op == OP_JMP_THEN_RETURN) return OP_JMP;
  if (op == OP_MOVE_THEN_RETURN) return OP_MOVE;
  if (op < OP_PINCL_THEN_LOOPK_G) return OP_INCL;
  if (op < OP_INTK_STORE_THEN) return OP_PINCL;
  if (op < OP_FLOATK_STORE_THEN) return OP_LOADINT;
  if (op < OP_K_STORE_THEN_END) return OP_LOADFLOAT;
  if (op <= OP_MOD_THEN_RETURN) return OP_ARITH;
  if (op == OP_PREPCALLK_STRING) return OP_PREPCALLK;
  return op;
}

void specialiseCode(std::vector<Instruction>& code) {
  for (size_t i = 0; i < code.size(); ++i) {
    Instruction& in = code[i];
    if (in.op == OP_ARITH) {
      switch (in.arg3) {
        case '+': in.op = OP_ADD; break;
        case '-': in.op = OP_SUB; break;
        case '*': in.op = OP_MUL; break;
        case '/': in.op = OP_DIV; break;
        case '%': in.op = OP_MOD; break;
        default: break;
      }
    } else if (in.op == OP_BITW) {
      switch (in.arg3) {
        case 0: in.op = OP_BAND; break;
        case 2: in.op = OP_BOR; break;
        case 3: in.op = OP_BXOR; break;
        case 4: in.op = OP_SHL; break;
        case 5: in.op = OP_SHR; break;
        case 6: in.op = OP_USHR; break;
        default: break;
      }
    } else if (in.op == OP_COMPARITHL) {
      switch (in.arg3) {
        case '+': in.op = OP_ADDL; break;
        case '-': in.op = OP_SUBL; break;
        case '*': in.op = OP_MULL; break;
        case '/': in.op = OP_DIVL; break;
        case '%': in.op = OP_MODL; break;
        default: break;
      }
    } else if (in.op == OP_CMP) {
      switch (in.arg3) {
        case 0: in.op = OP_CMPG; break;
        case 2: in.op = OP_CMPGE; break;
        case 3: in.op = OP_CMPL; break;
        case 4: in.op = OP_CMPLE; break;
        default: break;
      }
      const bool testedNext = i + 1 < code.size() && code[i + 1].op == OP_JZ && code[i + 1].arg0 == in.arg0;
      if (in.op != OP_CMP && testedNext) in.op = static_cast<uint8_t>(in.op - OP_CMPG + OP_CMPGJZ);
    } else if (in.op == OP_JMP) {
      const int64_t target = static_cast<int64_t>(i) + 1 + in.arg1;
      if (target >= 0 && target < static_cast<int64_t>(code.size()) && code[target].op == OP_RETURN) {
        in.op = OP_JMP_THEN_RETURN;
      }
    }
  }
  // Second pass: the forms above are final now.
  for (size_t i = 0; i + 1 < code.size(); ++i) {
    Instruction& in = code[i];
    const uint8_t next = code[i + 1].op;
    if ((in.op == OP_LOADINT || in.op == OP_LOADFLOAT) && next >= OP_ADD && next <= OP_CMPLEJZ) {
      const Instruction& form = code[i + 1];
      // A constant that is only the right operand is taken from the load, which keeps the
      // form's left operand and target in its arg2 and arg3. Only loads whose arg2 and arg3
      // are zero, as the compiler writes them, are joined so, which lets writing the function
      // out restore them. An integer divisor of 0 or -1 stays with the general form, so that
      // the joined one divides without testing for them.
      const bool plainDivisor =
          in.op == OP_LOADFLOAT || (next != OP_DIV && next != OP_MOD) || (in.arg1 != 0 && in.arg1 != -1);
      const bool rightOnly = form.arg1 == in.arg0 && form.arg2 != in.arg0 && in.arg2 == 0 &&
                             in.arg3 == 0 && plainDivisor;
      const bool store = form.arg0 != in.arg0;
      if (rightOnly) {
        in.arg2 = form.arg2;
        in.arg3 = form.arg0;
      }
      int first;
      if (in.op == OP_LOADINT) {
        first = !rightOnly ? OP_LOADINT_THEN : store ? OP_INTK_STORE_THEN : OP_INTK_THEN;
      } else {
        first = !rightOnly ? OP_LOADFLOAT_THEN : store ? OP_FLOATK_STORE_THEN : OP_FLOATK_THEN;
      }
      in.op = static_cast<uint8_t>(first + (next - OP_ADD));
    } else if ((in.op == OP_INCL || in.op == OP_PINCL) && next == OP_JMP) {
      in.op = in.op == OP_INCL ? OP_INCL_THEN_JMP : OP_PINCL_THEN_JMP;
    } else if (in.op == OP_MOVE && next == OP_JMP_THEN_RETURN && in.arg0 != 0xFF) {
      // Joined only when the return gives back the moved register, so that the form can
      // return the move's source.
      const Instruction& ret = code[static_cast<size_t>(static_cast<int64_t>(i) + 2 + code[i + 1].arg1)];
      if (ret.arg0 != 0xFF && ret.arg1 == in.arg0) in.op = OP_MOVE_THEN_RETURN;
    }
  }
  // Third pass: loop steps whose jump lands on the loop's test of the stepped local.
  for (size_t i = 0; i + 1 < code.size(); ++i) {
    Instruction& in = code[i];
    if (in.op != OP_INCL_THEN_JMP && in.op != OP_PINCL_THEN_JMP) continue;
    const int64_t head = static_cast<int64_t>(i) + 2 + code[i + 1].arg1;
    if (!isLoopTest(code, head, in)) continue;
    const bool prefix = in.op == OP_INCL_THEN_JMP;
    in.op = prefix ? OP_INCL_THEN_LOOP : OP_PINCL_THEN_LOOP;
    // The shorter form when one register takes the step's result, the limit and the test's
    // result, and the test is near enough before the step for arg2 (which the compiler leaves
    // zero) to reach it.
    const int64_t back = static_cast<int64_t>(i) - head;
    const auto at = static_cast<size_t>(head);
    if (back < 1 || back > 255 || in.arg2 != 0 || !isConstantCompareJump(code[at].op) ||
        code[at].arg0 != in.arg0 || code[at + 1].arg0 != in.arg0) {
      continue;
    }
    const int comparison = code[at + 1].op - OP_CMPGJZ;
    in.op = static_cast<uint8_t>((prefix ? OP_INCL_THEN_LOOPK_G : OP_PINCL_THEN_LOOPK_G) + comparison);
    in.arg2 = static_cast<uint8_t>(back);
  }
  // Last: arithmetic whose result the next instruction returns (`return a + b`). A joined load
  // before it runs the plain form by name, so this needs no care of them.
  for (size_t i = 0; i + 1 < code.size(); ++i) {
    Instruction& in = code[i];
    const Instruction& ret = code[i + 1];
    if (in.op >= OP_ADD && in.op <= OP_MOD && ret.op == OP_RETURN && ret.arg0 != 0xFF && ret.arg1 == in.arg0) {
      in.op = static_cast<uint8_t>(OP_ADD_THEN_RETURN + (in.op - OP_ADD));
    }
  }
}

FunctionProto::~FunctionProto() {
  for (FunctionProto* f : functions) decRef(f);
}

int32_t FunctionProto::lineAt(int32_t index) const {
  if (lines.empty()) return -1;
  int32_t line = lines[0].line;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].instruction > index) return line;
    line = lines[i].line;
  }
  return line;
}

FunctionProto* buildProto(const sqformat::FunctionData& data, StringTable& strings,
                          std::u16string& error) {
  if (!checkFunctionData(data, nullptr, error)) return nullptr;
  return convert(data, strings);
}

std::unique_ptr<sqformat::FunctionData> protoToData(const FunctionProto& p) {
  auto d = std::make_unique<sqformat::FunctionData>();
  d->sourceName = dataLiteral(p.sourceName);
  d->functionName = dataLiteral(p.name);
  for (const Value& l : p.literals) d->literals.push_back(dataLiteral(l));
  for (const Value& l : p.parameters) d->parameters.push_back(dataLiteral(l));
  for (const OuterInfo& o : p.outers) {
    d->outerValues.push_back({o.kind, dataLiteral(o.source), dataLiteral(o.name)});
  }
  for (const LocalInfo& l : p.locals) {
    d->localVarInfos.push_back({std::u16string(asString(l.name)->view()), l.reg, l.first, l.last});
  }
  d->lineInfos = p.lines;
  d->defaultParams = p.defaultParams;
  d->instructions.assign(p.code.begin(), p.code.begin() + p.instructionCount);
  for (Instruction& in : d->instructions) {
    if (isConstantOperandForm(in.op)) {
      in.arg2 = 0;
      in.arg3 = 0;
    } else if (in.op >= OP_INCL_THEN_LOOPK_G && in.op <= OP_PINCL_THEN_LOOPK_LE) {
      in.arg2 = 0;
    }
    in.op = streamOpcode(in.op);
  }
  for (const FunctionProto* f : p.functions) d->functions.push_back(protoToData(*f));
  d->stackSize = p.stackSize;
  d->isGenerator = p.generator;
  d->hasVarargs = p.varargs;
  return d;
}

}  // namespace sqvm
