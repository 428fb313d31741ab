// Functions, classes, table literals, enumerations and constants.

#include "squirrel/compiler/Parser.h"

#include <algorithm>
#include <utility>

namespace sqcompiler {
namespace {

int lastFunction(const FuncState& fs) { return static_cast<int>(fs.functions.size()) - 1; }

}  // namespace

// `function a::b::c(...)` reads a and a.b, then creates slot c of a.b.
void Parser::functionStatement() {
  lex();
  std::u16string name = expect(TkIdentifier);
  fs_->pushTarget(0);
  fs_->addInstruction(Op::Load, fs_->pushTarget(), fs_->literalIndex(name));
  if (token_ == TkDoubleColon) emit2ArgsOp(Op::Get);
  while (token_ == TkDoubleColon) {
    lex();
    name = expect(TkIdentifier);
    fs_->addInstruction(Op::Load, fs_->pushTarget(), fs_->literalIndex(name));
    if (token_ == TkDoubleColon) emit2ArgsOp(Op::Get);
  }
  expect(u'(');
  createFunction(&name);
  fs_->addInstruction(Op::Closure, fs_->pushTarget(), lastFunction(*fs_), 0);
  emitDerefOp(Op::NewSlot);
  fs_->popTarget();
}

void Parser::functionExp() {
  lex();
  expect(u'(');
  createFunction(nullptr);
  fs_->addInstruction(Op::Closure, fs_->pushTarget(), lastFunction(*fs_), 0);
}

// Parses the parameter list (after '('), the captured names and the body, and appends the
// finished prototype to the enclosing function. Default values are computed by the enclosing
// function into its own registers, which the prototype lists.
void Parser::createFunction(const std::u16string* name) {
  FuncState child(fs_, lexer_, lineInstructions_);
  if (name) child.name = *name;
  child.addParameter(u"this");
  int defaults = 0;
  while (token_ != u')') {
    if (token_ == TkVarParams) {
      if (defaults > 0) {
        error(u"function with default parameters cannot have variable number of parameters");
      }
      child.hasVarargs = true;
      lex();
      if (token_ != u')') error(u"expected ')'");
      break;
    }
    child.addParameter(expect(TkIdentifier));
    if (token_ == u'=') {
      lex();
      expression();
      child.addDefaultParam(fs_->topTarget());
      ++defaults;
    } else if (defaults > 0) {
      error(u"expected '='");
    }
    if (token_ == u',') {
      lex();
    } else if (token_ != u')') {
      error(u"expected ')' or ','");
    }
  }
  expect(u')');
  for (int i = 0; i < defaults; ++i) fs_->popTarget();
  if (token_ == u':') {
    lex();
    expect(u'(');
    while (token_ != u')') {
      child.addOuterValue(expect(TkIdentifier));
      if (token_ == u',') {
        lex();
      } else if (token_ != u')') {
        error(u"expected ')' or ','");
      }
    }
    lex();
  }
  FuncState* enclosing = fs_;
  fs_ = &child;
  statement();
  // The closing line is that of the body's last token, unless a line break has been read.
  child.addLineInfo(lexer_.prevToken() == u'\n' ? lexer_.lastTokenLine() : lexer_.line(), true);
  child.addInstruction(Op::Return, kNoRegister);
  child.setStackSize(0);
  std::unique_ptr<sqformat::FunctionData> proto = child.build(sourceName_);
  fs_ = enclosing;
  fs_->functions.push_back(std::move(proto));
}

void Parser::classStatement() {
  ExpState state = slotOperand();
  if (state.deref == kDerefNone) error(u"invalid class name");
  if (state.deref != kDerefField) {
    error(u"cannot create a class in a local with the syntax(class <local>)");
  }
  classExp();
  emitDerefOp(Op::NewSlot);
  fs_->popTarget();
}

void Parser::classExp() {
  int base = -1;
  int attributes = -1;
  if (token_ == TkExtends) {
    lex();
    expression();
    base = fs_->topTarget();
  }
  if (token_ == TkAttrOpen) {
    lex();
    fs_->addInstruction(Op::NewTable, fs_->pushTarget());
    parseTableOrClass(u',', TkAttrClose);
    attributes = fs_->topTarget();
  }
  expect(u'{');
  if (attributes != -1) fs_->popTarget();
  if (base != -1) fs_->popTarget();
  fs_->addInstruction(Op::Class, fs_->pushTarget(), base, attributes);
  parseTableOrClass(u';', u'}');
}

// The members of a table literal (separator ','), an attribute table (',' up to "/>") or a
// class body (';'), after the opening token. The object is the current target.
void Parser::parseTableOrClass(int separator, int terminator) {
  int newTablePos = fs_->currentPos();
  int count = 0;
  while (token_ != terminator) {
    bool hasAttributes = false;
    bool isStatic = false;
    if (separator == u';') {
      if (token_ == TkAttrOpen) {
        fs_->addInstruction(Op::NewTable, fs_->pushTarget());
        lex();
        parseTableOrClass(u',', TkAttrClose);
        hasAttributes = true;
      }
      if (token_ == TkStatic) {
        isStatic = true;
        lex();
      }
    }
    switch (token_) {
      case TkFunction:
      case TkConstructor: {
        int keyword = token_;
        lex();
        std::u16string name = keyword == TkFunction ? expect(TkIdentifier) : u"constructor";
        expect(u'(');
        fs_->addInstruction(Op::Load, fs_->pushTarget(), fs_->literalIndex(name));
        createFunction(&name);
        fs_->addInstruction(Op::Closure, fs_->pushTarget(), lastFunction(*fs_), 0);
        break;
      }
      case u'[':
        lex();
        commaExpr();
        expect(u']');
        expect(u'=');
        expression();
        break;
      default: {
        std::u16string name = expect(TkIdentifier);
        fs_->addInstruction(Op::Load, fs_->pushTarget(), fs_->literalIndex(name));
        expect(u'=');
        expression();
      }
    }
    if (token_ == separator) lex();
    ++count;
    int value = fs_->popTarget();
    int key = fs_->popTarget();
    // The attribute table sits in the register just below the key.
    if (hasAttributes) fs_->popTarget();
    int flags = (hasAttributes ? kNewSlotAttributes : 0) | (isStatic ? kNewSlotStatic : 0);
    fs_->addInstruction(Op::NewSlotA, flags, fs_->topTarget(), key, value);
  }
  if (separator == u',') fs_->setArg(newTablePos, 1, count);
  lex();
}

// Members without a value count up from 0; a member with a value does not move the count.
void Parser::enumStatement() {
  lex();
  std::u16string name = expect(TkIdentifier);
  expect(u'{');
  std::vector<std::pair<std::u16string, sqformat::Literal>> members;
  int32_t next = 0;
  while (token_ != u'}') {
    std::u16string key = expect(TkIdentifier);
    sqformat::Literal value;
    if (token_ == u'=') {
      lex();
      value = expectScalar();
    } else {
      value = next++;
    }
    auto same = std::find_if(members.begin(), members.end(),
                             [&](const auto& member) { return member.first == key; });
    if (same != members.end()) {
      same->second = value;
    } else {
      members.emplace_back(std::move(key), std::move(value));
    }
    if (token_ == u',') lex();
  }
  constants_.defineEnum(name, members);
  lex();
}

void Parser::constStatement() {
  lex();
  std::u16string name = expect(TkIdentifier);
  expect(u'=');
  sqformat::Literal value = expectScalar();
  optionalSemicolon();
  constants_.defineScalar(name, value);
}

sqformat::Literal Parser::expectScalar() {
  sqformat::Literal value;
  switch (token_) {
    case TkInteger: value = lexer_.intValue(); break;
    case TkFloat: value = lexer_.floatValue(); break;
    case TkStringLiteral: value = lexer_.text(); break;
    case u'-':
      lex();
      switch (token_) {
        case TkInteger:
          value = static_cast<int32_t>(0u - static_cast<uint32_t>(lexer_.intValue()));
          break;
        case TkFloat: value = -lexer_.floatValue(); break;
        default: error(u"scalar expected : integer,float");
      }
      break;
    default:
      error(u"scalar expected : integer,float or string");
  }
  lex();
  return value;
}

}  // namespace sqcompiler
