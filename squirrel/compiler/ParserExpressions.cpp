// Expressions: operators by precedence, operands, calls and assignments.

#include "squirrel/compiler/Parser.h"

#include <bit>

namespace sqcompiler {

Parser::ExpState Parser::popExpState() {
  ExpState state = expStates_.back();
  expStates_.pop_back();
  return state;
}

void Parser::commaExpr() {
  DepthGuard guard(*this);
  expression();
  while (token_ == u',') {
    fs_->popTarget();
    lex();
    commaExpr();
  }
}

void Parser::expression() {
  DepthGuard guard(*this);
  pushExpState();
  logicalOrExp();
  switch (token_) {
    case u'=':
    case TkNewSlot:
    case TkMinusEq:
    case TkPlusEq:
    case TkMulEq:
    case TkDivEq:
    case TkModEq:
      assignment(token_);
      break;
    case u'?':
      ternary();
      break;
    default:
      break;
  }
  popExpState();
}

void Parser::assignment(int op) {
  int deref = exst().deref;
  bool freeVar = exst().freeVar;
  if (deref == kDerefNone) error(u"can't assign expression");
  lex();
  expression();
  switch (op) {
    case TkNewSlot:
      if (freeVar) error(u"free variables cannot be modified");
      if (deref != kDerefField) error(u"can't 'create' a local slot");
      emitDerefOp(Op::NewSlot);
      break;
    case u'=':
      if (freeVar) error(u"free variables cannot be modified");
      if (deref == kDerefField) {
        emitDerefOp(Op::Set);
      } else {
        int value = fs_->popTarget();
        int local = fs_->topTarget();
        fs_->addInstruction(Op::Move, local, value);
      }
      break;
    default:
      emitCompoundArith(op, deref == kDerefField);
  }
}

void Parser::ternary() {
  lex();
  fs_->addInstruction(Op::Jz, fs_->popTarget());
  int jzPos = fs_->currentPos();
  int target = fs_->pushTarget();
  expression();
  int first = fs_->popTarget();
  if (target != first) fs_->addInstruction(Op::Move, target, first);
  int endOfFirst = fs_->currentPos();
  fs_->addInstruction(Op::Jmp, 0, 0);
  expect(u':');
  int jmpPos = fs_->currentPos();
  expression();
  int second = fs_->popTarget();
  if (target != second) fs_->addInstruction(Op::Move, target, second);
  fs_->setArg(jmpPos, 1, fs_->currentPos() - jmpPos);
  fs_->setArg(jzPos, 1, endOfFirst - jzPos + 1);
  fs_->snoozeOptimization();
}

void Parser::logicalOrExp() {
  DepthGuard guard(*this);
  logicalAndExp();
  if (token_ == TkOr) shortCircuit(Op::Or, &Parser::logicalOrExp);
}

void Parser::logicalAndExp() {
  DepthGuard guard(*this);
  bitwiseOrExp();
  for (;;) {
    switch (token_) {
      case TkAnd: shortCircuit(Op::And, &Parser::logicalAndExp); break;
      case TkIn: binaryOp(Op::Exists, &Parser::bitwiseOrExp); break;
      case TkInstanceOf: binaryOp(Op::InstanceOf, &Parser::bitwiseOrExp); break;
      default: return;
    }
  }
}

// `a || b`: OR keeps a and jumps when it decides; otherwise b is moved into the same target.
void Parser::shortCircuit(Op op, void (Parser::*rhs)()) {
  int first = fs_->popTarget();
  int target = fs_->pushTarget();
  fs_->addInstruction(op, target, 0, first, 0);
  int jumpPos = fs_->currentPos();
  if (target != first) fs_->addInstruction(Op::Move, target, first);
  lex();
  (this->*rhs)();
  fs_->snoozeOptimization();
  int second = fs_->popTarget();
  if (target != second) fs_->addInstruction(Op::Move, target, second);
  fs_->snoozeOptimization();
  fs_->setArg(jumpPos, 1, fs_->currentPos() - jumpPos);
}

void Parser::bitwiseOrExp() {
  bitwiseXorExp();
  while (token_ == u'|') binaryOp(Op::Bitw, &Parser::bitwiseXorExp, BwOr);
}

void Parser::bitwiseXorExp() {
  bitwiseAndExp();
  while (token_ == u'^') binaryOp(Op::Bitw, &Parser::bitwiseAndExp, BwXor);
}

void Parser::bitwiseAndExp() {
  compExp();
  while (token_ == u'&') binaryOp(Op::Bitw, &Parser::compExp, BwAnd);
}

void Parser::compExp() {
  shiftExp();
  for (;;) {
    switch (token_) {
      case TkEq: binaryOp(Op::Eq, &Parser::shiftExp); break;
      case TkNe: binaryOp(Op::Ne, &Parser::shiftExp); break;
      case u'>': binaryOp(Op::Cmp, &Parser::shiftExp, CmpG); break;
      case u'<': binaryOp(Op::Cmp, &Parser::shiftExp, CmpL); break;
      case TkGe: binaryOp(Op::Cmp, &Parser::shiftExp, CmpGE); break;
      case TkLe: binaryOp(Op::Cmp, &Parser::shiftExp, CmpLE); break;
      default: return;
    }
  }
}

void Parser::shiftExp() {
  plusExp();
  for (;;) {
    switch (token_) {
      case TkUShiftR: binaryOp(Op::Bitw, &Parser::plusExp, BwUShiftR); break;
      case TkShiftL: binaryOp(Op::Bitw, &Parser::plusExp, BwShiftL); break;
      case TkShiftR: binaryOp(Op::Bitw, &Parser::plusExp, BwShiftR); break;
      default: return;
    }
  }
}

void Parser::plusExp() {
  multExp();
  while (token_ == u'+' || token_ == u'-') binaryOp(Op::Arith, &Parser::multExp, token_);
}

void Parser::multExp() {
  prefixedExp();
  while (token_ == u'*' || token_ == u'/' || token_ == u'%') {
    binaryOp(Op::Arith, &Parser::prefixedExp, token_);
  }
}

// Operands are evaluated left then right; the instruction names the right operand first.
void Parser::binaryOp(Op op, void (Parser::*operand)(), int subOp) {
  lex();
  (this->*operand)();
  int right = fs_->popTarget();
  int left = fs_->popTarget();
  fs_->addInstruction(op, fs_->pushTarget(), right, left, subOp);
}

void Parser::prefixedExp() {
  DepthGuard guard(*this);
  int pos = factor();
  for (;;) {
    switch (token_) {
      case u'.': {
        pos = -1;
        lex();
        if (token_ == TkParent) {
          lex();
          if (!needGet()) error(u"parent cannot be set");
          int src = fs_->popTarget();
          fs_->addInstruction(Op::GetParent, fs_->pushTarget(), src);
        } else {
          std::u16string name = expect(TkIdentifier);
          fs_->addInstruction(Op::Load, fs_->pushTarget(), fs_->literalIndex(name));
          if (needGet()) emit2ArgsOp(Op::Get);
        }
        exst().deref = kDerefField;
        exst().freeVar = false;
        break;
      }
      case u'[':
        // In a table literal `a = x` followed by `[k] = v` on the next line would otherwise
        // read as x[k].
        if (lexer_.prevToken() == u'\n') {
          error(u"cannot brake deref/or comma needed after [exp]=exp slot declaration");
        }
        lex();
        expression();
        expect(u']');
        pos = -1;
        if (needGet()) emit2ArgsOp(Op::Get);
        exst().deref = kDerefField;
        exst().freeVar = false;
        break;
      case TkMinusMinus:
      case TkPlusPlus:
        if (exst().deref != kDerefNone && !isEndOfStatement()) {
          int step = token_ == TkMinusMinus ? -1 : 1;
          lex();
          if (pos < 0) {
            emit2ArgsOp(Op::PInc, step);
          } else {
            int src = fs_->popTarget();
            fs_->addInstruction(Op::PIncL, fs_->pushTarget(), src, 0, step);
          }
        }
        return;
      case u'(': {
        if (exst().deref != kDerefNone && pos < 0) {
          int key = fs_->popTarget();
          int object = fs_->popTarget();
          int closure = fs_->pushTarget();
          int thisTarget = fs_->pushTarget();
          fs_->addInstruction(Op::PrepCall, closure, key, object, thisTarget);
        } else {
          // A plain value is called with the caller's own `this`.
          fs_->addInstruction(Op::Move, fs_->pushTarget(), 0);
        }
        exst().deref = kDerefNone;
        lex();
        functionCallArgs();
        break;
      }
      default:
        return;
    }
  }
}

// Whether the slot just named must be read now. It is not read when it is about to be
// assigned, called or incremented, nor as the last step of a `delete`, `++`/`--` or class
// name path.
bool Parser::needGet() const {
  switch (token_) {
    case u'=':
    case u'(':
    case TkNewSlot:
    case TkPlusPlus:
    case TkMinusMinus:
    case TkPlusEq:
    case TkMinusEq:
    case TkMulEq:
    case TkDivEq:
    case TkModEq:
      return false;
    default:
      break;
  }
  return !expStates_.back().classOrDelete || token_ == u'.' || token_ == u'[';
}

void Parser::emit2ArgsOp(Op op, int arg3) {
  int key = fs_->popTarget();
  int object = fs_->popTarget();
  fs_->addInstruction(op, fs_->pushTarget(), object, key, arg3);
}

void Parser::emitDerefOp(Op op) {
  int value = fs_->popTarget();
  int key = fs_->popTarget();
  int object = fs_->popTarget();
  fs_->addInstruction(op, fs_->pushTarget(), object, key, value);
}

void Parser::emitCompoundArith(int token, bool field) {
  int op = 0;
  switch (token) {
    case TkMinusEq: op = u'-'; break;
    case TkPlusEq: op = u'+'; break;
    case TkMulEq: op = u'*'; break;
    case TkDivEq: op = u'/'; break;
    case TkModEq: op = u'%'; break;
  }
  if (field) {
    int value = fs_->popTarget();
    int key = fs_->popTarget();
    int object = fs_->popTarget();
    // COMPARITH packs the object and value registers into arg1.
    fs_->addInstruction(Op::CompArith, fs_->pushTarget(), (object << 16) | value, key, op);
  } else {
    int value = fs_->popTarget();
    int local = fs_->popTarget();
    fs_->addInstruction(Op::CompArithL, fs_->pushTarget(), local, value, op);
  }
}

// Integers with bit 31 clear fit the LOADINT operand; the others go to the literal table.
void Parser::emitLoadInt(int32_t value) {
  if ((value & ~0x7FFFFFFF) == 0) {
    fs_->addInstruction(Op::LoadInt, fs_->pushTarget(), value);
  } else {
    fs_->addInstruction(Op::Load, fs_->pushTarget(), fs_->literalIndex(value));
  }
}

void Parser::emitLoadFloat(float value) {
  fs_->addInstruction(Op::LoadFloat, fs_->pushTarget(), std::bit_cast<int32_t>(value));
}

void Parser::moveIfCurrentTargetIsLocal() {
  int target = fs_->topTarget();
  if (fs_->isLocal(target)) {
    target = fs_->popTarget();
    fs_->addInstruction(Op::Move, fs_->pushTarget(), target);
  }
}

}  // namespace sqcompiler
