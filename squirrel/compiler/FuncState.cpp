#include "squirrel/compiler/FuncState.h"

#include "squirrel/compiler/Lexer.h"

#include <bit>

namespace sqcompiler {
namespace {

using sqformat::Instruction;
using sqformat::Literal;

std::pair<int, std::u16string> literalKey(const Literal& value) {
  auto bits = [](uint32_t v) {
    return std::u16string{static_cast<char16_t>(v & 0xFFFF), static_cast<char16_t>(v >> 16)};
  };
  if (auto* i = std::get_if<int32_t>(&value)) return {1, bits(static_cast<uint32_t>(*i))};
  if (auto* f = std::get_if<float>(&value)) return {2, bits(std::bit_cast<uint32_t>(*f))};
  if (auto* s = std::get_if<std::u16string>(&value)) return {3, *s};
  return {0, {}};
}

uint8_t byte(int v) { return static_cast<uint8_t>(v); }

}  // namespace

FuncState::FuncState(FuncState* parent, const Lexer& lexer, bool lineInstructions)
    : parent_(parent), lexer_(lexer), lineInstructions_(lineInstructions) {}

void FuncState::internalError(const char16_t* what) const { lexer_.error(what); }

// Operands are bytes and 255 means "no register", so a frame holds at most 255 registers.
int FuncState::allocateRegister() {
  int reg = stackSize();
  if (reg >= kMaxRegisters) internalError(u"internal compiler error: too many locals");
  locals_.push_back(Local{});
  locals_.back().reg = reg;
  if (stackSize() > maxStack_) maxStack_ = stackSize();
  return reg;
}

int FuncState::pushTarget(int reg) {
  if (reg == -1) reg = allocateRegister();
  targets_.push_back(reg);
  return reg;
}

int FuncState::popTarget() {
  if (targets_.empty()) internalError(u"internal compiler error: expression stack underflow");
  int reg = targets_.back();
  targets_.pop_back();
  if (reg < stackSize() && !locals_[reg].name) locals_.pop_back();
  return reg;
}

int FuncState::topTarget() const { return targetFromTop(0); }

int FuncState::targetFromTop(int n) const {
  if (static_cast<int>(targets_.size()) <= n) {
    internalError(u"internal compiler error: expression stack underflow");
  }
  return targets_[targets_.size() - 1 - n];
}

void FuncState::setStackSize(int size) {
  while (stackSize() > size) {
    Local& local = locals_.back();
    if (local.name) {
      localVarInfos_.push_back(sqformat::LocalVarInfo{*local.name, static_cast<uint32_t>(local.reg),
                                                      static_cast<uint32_t>(local.startOp),
                                                      static_cast<uint32_t>(currentPos())});
    }
    locals_.pop_back();
  }
}

bool FuncState::isLocal(int reg) const {
  return reg >= 0 && reg < stackSize() && locals_[reg].name.has_value();
}

int FuncState::pushLocalVariable(const std::u16string& name) {
  int reg = allocateRegister();
  locals_.back().name = name;
  locals_.back().startOp = currentPos() + 1;
  return reg;
}

int FuncState::findLocalVariable(const std::u16string& name) const {
  for (int i = stackSize() - 1; i >= 0; --i) {
    if (locals_[i].name && *locals_[i].name == name) return i;
  }
  return -1;
}

int FuncState::findOuterVariable(const std::u16string& name) const {
  for (std::size_t i = 0; i < outerValues_.size(); ++i) {
    if (std::get<std::u16string>(outerValues_[i].name) == name) return static_cast<int>(i);
  }
  return -1;
}

// A captured name is a local of the enclosing function, else one of its own captures, else a
// symbol looked up in the enclosing function's `this` when the closure is created.
void FuncState::addOuterValue(const std::u16string& name) {
  if (parent_) {
    int reg = parent_->findLocalVariable(name);
    if (reg != -1) {
      outerValues_.push_back({sqformat::OuterKind::Local, reg, name});
      return;
    }
    int outer = parent_->findOuterVariable(name);
    if (outer != -1) {
      outerValues_.push_back({sqformat::OuterKind::Outer, outer, name});
      return;
    }
  }
  outerValues_.push_back({sqformat::OuterKind::Symbol, name, name});
}

void FuncState::addParameter(const std::u16string& name) {
  pushLocalVariable(name);
  parameters_.push_back(name);
}

int FuncState::literalIndex(const Literal& value) {
  auto [it, inserted] = literalIndex_.emplace(literalKey(value), static_cast<int>(literals_.size()));
  if (inserted) literals_.push_back(value);
  return it->second;
}

void FuncState::addInstruction(Op op, int arg0, int arg1, int arg2, int arg3) {
  addInstruction(Instruction{arg1, static_cast<uint8_t>(op), byte(arg0), byte(arg2), byte(arg3)});
}

void FuncState::addInstruction(const Instruction& instruction) {
  if (!instructions_.empty() && optimization_ && mergeWithPrevious(instruction)) return;
  optimization_ = true;
  instructions_.push_back(instruction);
}

// The peephole rules. Returns true when `next` was folded into the previous instruction.
bool FuncState::mergeWithPrevious(const Instruction& next) {
  Instruction& prev = instructions_.back();
  auto prevIs = [&](Op op) { return prev.op == static_cast<uint8_t>(op); };
  // The literal just loaded into a temporary that is consumed right away.
  auto loadedTemp = [&](int reg) { return prevIs(Op::Load) && prev.arg0 == reg && !isLocal(prev.arg0); };
  switch (static_cast<Op>(next.op)) {
    case Op::Return:
      // `return f(x)` in a nested function reuses the frame, unless the call belongs to an
      // earlier statement (the returned value was computed without instructions).
      if (parent_ && next.arg0 != kNoRegister && prevIs(Op::Call) &&
          returnExpression < currentPos()) {
        prev.op = static_cast<uint8_t>(Op::TailCall);
      }
      return false;
    case Op::Get:
      if (!loadedTemp(next.arg2)) return false;
      prev = Instruction{prev.arg1, static_cast<uint8_t>(Op::GetK), next.arg0, byte(next.arg1), prev.arg3};
      return true;
    case Op::PrepCall:
      if (!loadedTemp(next.arg1)) return false;
      prev = Instruction{prev.arg1, static_cast<uint8_t>(Op::PrepCallK), next.arg0, next.arg2, next.arg3};
      return true;
    case Op::AppendArray:
      if (!loadedTemp(next.arg1)) return false;
      prev = Instruction{prev.arg1, static_cast<uint8_t>(Op::AppendArray), next.arg0, kNoRegister, kNoRegister};
      return true;
    case Op::Eq:
    case Op::Ne:
      if (!loadedTemp(next.arg1)) return false;
      prev = Instruction{prev.arg1, next.op, next.arg0, next.arg2, kNoRegister};
      return true;
    case Op::Move:
      if ((prevIs(Op::Get) || prevIs(Op::Arith) || prevIs(Op::Bitw)) && prev.arg0 == next.arg1) {
        prev.arg0 = next.arg0;
        optimization_ = false;
        return true;
      }
      if (prevIs(Op::Move)) {
        prev.op = static_cast<uint8_t>(Op::DMove);
        prev.arg2 = next.arg0;
        prev.arg3 = byte(next.arg1);
        return true;
      }
      return false;
    case Op::Load:
      if (prevIs(Op::Load) && next.arg1 < 256) {
        prev.op = static_cast<uint8_t>(Op::DLoad);
        prev.arg2 = next.arg0;
        prev.arg3 = byte(next.arg1);
        return true;
      }
      return false;
    case Op::LoadNulls:
      if (prevIs(Op::LoadNulls) && prev.arg0 + prev.arg1 == next.arg0) {
        prev.arg1 += next.arg1;
        return true;
      }
      return false;
    case Op::Line:
      if (prevIs(Op::Line)) {
        instructions_.pop_back();
        lineInfos_.pop_back();
      }
      return false;
    default:
      return false;
  }
}

void FuncState::setArg(int pos, int arg, int value) {
  Instruction& i = instructions_.at(pos);
  switch (arg) {
    case 0: i.arg0 = byte(value); break;
    case 1: i.arg1 = value; break;
    case 2: i.arg2 = byte(value); break;
    case 3: i.arg3 = byte(value); break;
  }
}

void FuncState::popInstructions(int count) {
  instructions_.resize(instructions_.size() - count);
}

void FuncState::addLineInfo(int line, bool force) {
  if (lastLine_ == line && !force) return;
  sqformat::LineInfo info{line, currentPos() + 1};
  if (lineInstructions_) addInstruction(Op::Line, 0, line);
  lineInfos_.push_back(info);
  lastLine_ = line;
}

std::unique_ptr<sqformat::FunctionData> FuncState::build(const std::u16string& sourceName) {
  auto f = std::make_unique<sqformat::FunctionData>();
  f->sourceName = sourceName;
  if (name) f->functionName = *name;
  f->literals = literals_;
  for (const std::u16string& p : parameters_) f->parameters.push_back(p);
  f->outerValues = outerValues_;
  f->localVarInfos = localVarInfos_;
  f->lineInfos = lineInfos_;
  f->defaultParams = defaultParams_;
  f->instructions = instructions_;
  f->functions = std::move(functions);
  f->stackSize = maxStack_;
  f->isGenerator = isGenerator;
  f->hasVarargs = hasVarargs;
  return f;
}

}  // namespace sqcompiler
