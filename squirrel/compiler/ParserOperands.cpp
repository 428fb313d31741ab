// Operands: literals, names, constants, unary operators, calls' arguments.

#include "squirrel/compiler/Parser.h"

#include <bit>

namespace sqcompiler {

// Returns the register of a local, free variable or constant operand, kDerefField for a slot
// of `this`, and -1 for every other operand.
int Parser::factor() {
  exst().deref = kDerefNone;
  switch (token_) {
    case TkStringLiteral:
      fs_->addInstruction(Op::Load, fs_->pushTarget(), fs_->literalIndex(lexer_.text()));
      lex();
      break;
    case TkVargC:
      lex();
      fs_->addInstruction(Op::VargC, fs_->pushTarget());
      break;
    case TkVargV: {
      lex();
      expect(u'[');
      expression();
      expect(u']');
      int src = fs_->popTarget();
      fs_->addInstruction(Op::GetVargV, fs_->pushTarget(), src);
      break;
    }
    case TkIdentifier:
    case TkConstructor:
    case TkThis:
      return identifier();
    case TkParent:
      lex();
      fs_->addInstruction(Op::GetParent, fs_->pushTarget(), 0);
      break;
    case TkDoubleColon:
      // `::name` is a slot of the root table: continue as if `.name` followed it.
      fs_->addInstruction(Op::LoadRootTable, fs_->pushTarget());
      exst().deref = kDerefField;
      token_ = u'.';
      return -1;
    case TkNull:
      fs_->addInstruction(Op::LoadNulls, fs_->pushTarget(), 1);
      lex();
      break;
    case TkInteger:
      emitLoadInt(lexer_.intValue());
      lex();
      break;
    case TkFloat:
      emitLoadFloat(lexer_.floatValue());
      lex();
      break;
    case TkTrue:
    case TkFalse:
      fs_->addInstruction(Op::LoadBool, fs_->pushTarget(), token_ == TkTrue ? 1 : 0);
      lex();
      break;
    case u'[':
      arrayLiteral();
      break;
    case u'{':
      fs_->addInstruction(Op::NewTable, fs_->pushTarget());
      lex();
      parseTableOrClass(u',', u'}');
      break;
    case TkFunction:
      functionExp();
      break;
    case TkClass:
      lex();
      classExp();
      break;
    case u'-': unaryOp(Op::Neg); break;
    case u'!': unaryOp(Op::Not); break;
    case u'~': unaryOp(Op::BwNot); break;
    case TkTypeOf: unaryOp(Op::TypeOf); break;
    case TkResume: unaryOp(Op::Resume); break;
    case TkClone: unaryOp(Op::Clone); break;
    case TkMinusMinus:
    case TkPlusPlus:
      prefixIncDec(token_);
      break;
    case TkDelete: deleteExpr(); break;
    case TkDelegate: delegateExpr(); break;
    case u'(':
      lex();
      commaExpr();
      expect(u')');
      break;
    default:
      error(u"expression expected");
  }
  return -1;
}

// A name is, in this order: a local, a captured free variable, a constant or enum, or a slot
// of `this` (which falls back to the root table at run time).
int Parser::identifier() {
  std::u16string name = token_ == TkThis          ? u"this"
                        : token_ == TkConstructor ? u"constructor"
                                                  : lexer_.text();
  exst().freeVar = false;
  lex();
  int local = fs_->findLocalVariable(name);
  if (local != -1) {
    fs_->pushTarget(local);
    exst().deref = local;
    return local;
  }
  int outer = fs_->findOuterVariable(name);
  if (outer != -1) {
    exst().deref = fs_->pushTarget();
    fs_->addInstruction(Op::LoadFreeVar, exst().deref, outer);
    exst().freeVar = true;
    return exst().deref;
  }
  if (std::optional<ConstantValue> constant = constants_.find(name)) {
    constantValue(name, *constant);
    return exst().deref;
  }
  fs_->pushTarget(0);
  fs_->addInstruction(Op::Load, fs_->pushTarget(), fs_->literalIndex(name));
  if (needGet()) emit2ArgsOp(Op::Get);
  exst().deref = kDerefField;
  return exst().deref;
}

// A constant is loaded into a register like a free variable, so it cannot be assigned to.
void Parser::constantValue(const std::u16string& name, const ConstantValue& constant) {
  sqformat::Literal value;
  switch (constant.kind) {
    case ConstantValue::Kind::Table: {
      expect(u'.');
      std::u16string member = expect(TkIdentifier);
      bool found = false;
      for (const auto& [key, memberValue] : constant.members) {
        if (key == member) {
          value = memberValue;
          found = true;
          break;
        }
      }
      if (!found) error(u"invalid constant [" + name + u"." + member + u"]");
      break;
    }
    case ConstantValue::Kind::Scalar:
      value = constant.scalar;
      break;
    case ConstantValue::Kind::Other:
      // Only numbers and strings can stand in the code in place of the name.
      error(u"invalid constant [" + name + u"]");
  }
  exst().deref = fs_->pushTarget();
  if (auto* i = std::get_if<int32_t>(&value); i && (*i & ~0x7FFFFFFF) == 0) {
    fs_->addInstruction(Op::LoadInt, exst().deref, *i);
  } else if (auto* f = std::get_if<float>(&value)) {
    fs_->addInstruction(Op::LoadFloat, exst().deref, std::bit_cast<int32_t>(*f));
  } else {
    fs_->addInstruction(Op::Load, exst().deref, fs_->literalIndex(value));
  }
  exst().freeVar = true;
}

void Parser::arrayLiteral() {
  fs_->addInstruction(Op::NewArray, fs_->pushTarget());
  int newArrayPos = fs_->currentPos();
  int count = 0;
  lex();
  while (token_ != u']') {
    expression();
    if (token_ == u',') lex();
    int value = fs_->popTarget();
    int array = fs_->topTarget();
    fs_->addInstruction(Op::AppendArray, array, value);
    ++count;
  }
  fs_->setArg(newArrayPos, 1, count);
  lex();
}

void Parser::unaryOp(Op op) {
  lex();
  prefixedExp();
  int src = fs_->popTarget();
  fs_->addInstruction(op, fs_->pushTarget(), src);
}

// The operand of `delete`, prefix `++`/`--` and a class statement: a path whose last slot is
// named but not read.
Parser::ExpState Parser::slotOperand() {
  lex();
  pushExpState();
  exst().classOrDelete = true;
  prefixedExp();
  return popExpState();
}

void Parser::prefixIncDec(int token) {
  ExpState state = slotOperand();
  int step = token == TkMinusMinus ? -1 : 1;
  if (state.deref == kDerefField) {
    emit2ArgsOp(Op::Inc, step);
  } else {
    int src = fs_->popTarget();
    fs_->addInstruction(Op::IncL, fs_->pushTarget(), src, 0, step);
  }
}

void Parser::deleteExpr() {
  ExpState state = slotOperand();
  if (state.deref == kDerefNone) error(u"can't delete an expression");
  if (state.deref != kDerefField) error(u"cannot delete a local");
  emit2ArgsOp(Op::Delete);
}

// `delegate d : t` makes d the delegate of t and yields t.
void Parser::delegateExpr() {
  lex();
  commaExpr();
  expect(u':');
  commaExpr();
  int table = fs_->popTarget();
  int delegate = fs_->popTarget();
  fs_->addInstruction(Op::Delegate, fs_->pushTarget(), table, delegate);
}

void Parser::functionCallArgs() {
  int count = 1;  // this
  while (token_ != u')') {
    expression();
    moveIfCurrentTargetIsLocal();
    ++count;
    if (token_ == u',') lex();
  }
  lex();
  for (int i = 0; i < count - 1; ++i) fs_->popTarget();
  int base = fs_->popTarget();
  int closure = fs_->popTarget();
  fs_->addInstruction(Op::Call, fs_->pushTarget(), closure, base, count);
}

}  // namespace sqcompiler
