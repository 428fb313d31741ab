// Statements, loops and the main function.

#include "squirrel/compiler/Diagnostics.h"
#include "squirrel/compiler/Parser.h"

namespace sqcompiler {
namespace {

// Nesting of statements and expressions that the parser's recursion may reach. Each nesting
// level of real scripts costs a handful of units; this leaves room for any sane script and
// keeps the native stack well within bounds.
constexpr int kMaxDepth = 1000;

}  // namespace

Parser::Parser(std::u16string_view source, std::u16string_view sourceName, DebugInfo debugInfo,
               ConstantTable& constants)
    : lexer_(source),
      sourceName_(sourceName),
      lineInstructions_(debugInfo == DebugInfo::On),
      constants_(constants) {
  expStates_.push_back(ExpState{});
}

Parser::DepthGuard::DepthGuard(Parser& p) : parser_(p) {
  if (++parser_.depth_ > kMaxDepth) parser_.error(u"script too deeply nested");
}

std::unique_ptr<sqformat::FunctionData> Parser::compileMain() {
  FuncState main(nullptr, lexer_, lineInstructions_);
  main.name = u"main";
  fs_ = &main;
  fs_->addParameter(u"this");
  int stackSize = fs_->stackSize();
  lex();
  while (token_ > 0) {
    statement();
    // Only here a statement ending in '}' skips the separator check, so on the top level
    // `local t = {}; f();` on one line is refused: the ';' is an empty statement and `f` then
    // lacks its separator.
    if (lexer_.prevToken() != u'}') optionalSemicolon();
  }
  cleanStack(stackSize);
  fs_->addLineInfo(lexer_.line(), true);
  fs_->addInstruction(Op::Return, kNoRegister);
  fs_->setStackSize(0);
  return main.build(sourceName_);
}

std::u16string Parser::expect(int token) {
  if (token_ != token && !(token_ == TkConstructor && token == TkIdentifier)) {
    if (token > 255) {
      std::u16string name;
      switch (token) {
        case TkIdentifier: name = u"IDENTIFIER"; break;
        case TkStringLiteral: name = u"STRING_LITERAL"; break;
        case TkInteger: name = u"INTEGER"; break;
        case TkFloat: name = u"FLOAT"; break;
        default: name = Lexer::keywordText(token);
      }
      error(u"expected '" + name + u"'");
    }
    error(u"expected '" + std::u16string(1, static_cast<char16_t>(token)) + u"'");
  }
  std::u16string text;
  if (token == TkIdentifier || token == TkStringLiteral) text = lexer_.text();
  lex();
  return text;
}

bool Parser::isEndOfStatement() const {
  return lexer_.prevToken() == u'\n' || token_ == TkEnd || token_ == u'}' || token_ == u';';
}

void Parser::optionalSemicolon() {
  if (token_ == u';') {
    lex();
    return;
  }
  if (!isEndOfStatement()) error(u"end of statement expected (; or lf)");
}

void Parser::statement() {
  DepthGuard guard(*this);
  fs_->addLineInfo(lexer_.line(), false);
  switch (token_) {
    case u';':
      lex();
      break;
    case TkIf: ifStatement(); break;
    case TkWhile: whileStatement(); break;
    case TkDo: doWhileStatement(); break;
    case TkFor: forStatement(); break;
    case TkForeach: foreachStatement(); break;
    case TkSwitch: switchStatement(); break;
    case TkLocal: localDeclStatement(); break;
    case TkReturn:
    case TkYield: returnStatement(); break;
    case TkBreak: breakStatement(); break;
    case TkContinue: continueStatement(); break;
    case TkFunction: functionStatement(); break;
    case TkClass: classStatement(); break;
    case TkEnum: enumStatement(); break;
    case u'{': {
      int stackSize = fs_->stackSize();
      lex();
      statements();
      expect(u'}');
      fs_->setStackSize(stackSize);
      break;
    }
    case TkTry: tryCatchStatement(); break;
    case TkThrow:
      lex();
      commaExpr();
      fs_->addInstruction(Op::Throw, fs_->popTarget());
      break;
    case TkConst: constStatement(); break;
    default:
      commaExpr();
      fs_->popTarget();
      break;
  }
  // No peephole rule reaches across two statements (a jump may land between them).
  fs_->snoozeOptimization();
}

void Parser::statements() {
  while (token_ != u'}' && token_ != TkDefault && token_ != TkCase) {
    statement();
    if (lexer_.prevToken() != u'}' && lexer_.prevToken() != u';') optionalSemicolon();
  }
}

void Parser::cleanStack(int stackSize) {
  if (fs_->stackSize() != stackSize) fs_->setStackSize(stackSize);
}

void Parser::ifStatement() {
  lex();
  expect(u'(');
  commaExpr();
  expect(u')');
  fs_->addInstruction(Op::Jz, fs_->popTarget());
  int jzPos = fs_->currentPos();
  int stackSize = fs_->stackSize();
  statement();
  if (token_ != u'}' && token_ != TkElse) optionalSemicolon();
  cleanStack(stackSize);
  int endOfIf = fs_->currentPos();
  bool hasElse = false;
  if (token_ == TkElse) {
    hasElse = true;
    stackSize = fs_->stackSize();
    fs_->addInstruction(Op::Jmp);
    int jmpPos = fs_->currentPos();
    lex();
    statement();
    optionalSemicolon();
    cleanStack(stackSize);
    fs_->setArg(jmpPos, 1, fs_->currentPos() - jmpPos);
  }
  fs_->setArg(jzPos, 1, endOfIf - jzPos + (hasElse ? 1 : 0));
}

void Parser::localDeclStatement() {
  do {
    lex();
    std::u16string name = expect(TkIdentifier);
    if (token_ == u'=') {
      lex();
      expression();
      int src = fs_->popTarget();
      int dest = fs_->pushTarget();
      if (dest != src) fs_->addInstruction(Op::Move, dest, src);
    } else {
      fs_->addInstruction(Op::LoadNulls, fs_->pushTarget(), 1);
    }
    fs_->popTarget();
    fs_->pushLocalVariable(name);
  } while (token_ == u',');
}

void Parser::returnStatement() {
  Op op = Op::Return;
  if (token_ == TkYield) {
    op = Op::Yield;
    fs_->isGenerator = true;
  }
  lex();
  if (!isEndOfStatement()) {
    int firstInstruction = fs_->currentPos() + 1;
    commaExpr();
    if (op == Op::Return && fs_->traps > 0) fs_->addInstruction(Op::PopTrap, fs_->traps, 0);
    fs_->returnExpression = firstInstruction;
    fs_->addInstruction(op, 1, fs_->popTarget());
  } else {
    if (op == Op::Return && fs_->traps > 0) fs_->addInstruction(Op::PopTrap, fs_->traps, 0);
    fs_->returnExpression = -1;
    fs_->addInstruction(op, kNoRegister);
  }
}

void Parser::switchStatement() {
  lex();
  expect(u'(');
  commaExpr();
  expect(u')');
  expect(u'{');
  int subject = fs_->topTarget();
  bool first = true;
  int toNextCondition = -1;
  int skipCondition = -1;
  std::size_t breakMark = fs_->unresolvedBreaks.size();
  fs_->breakTargets.push_back(0);
  while (token_ == TkCase) {
    if (!first) {
      // The end of the previous case falls through past this case's test.
      fs_->addInstruction(Op::Jmp, 0, 0);
      skipCondition = fs_->currentPos();
      fs_->setArg(toNextCondition, 1, fs_->currentPos() - toNextCondition);
    }
    lex();
    expression();
    expect(u':');
    int value = fs_->popTarget();
    // A case value held in a local keeps its register: the comparison result goes to a
    // temporary instead of overwriting the local.
    bool local = fs_->isLocal(value);
    int result = local ? fs_->pushTarget() : value;
    fs_->addInstruction(Op::Eq, result, value, subject);
    fs_->addInstruction(Op::Jz, result, 0);
    if (local) fs_->popTarget();
    if (skipCondition != -1) fs_->setArg(skipCondition, 1, fs_->currentPos() - skipCondition);
    toNextCondition = fs_->currentPos();
    int stackSize = fs_->stackSize();
    statements();
    fs_->setStackSize(stackSize);
    first = false;
  }
  if (toNextCondition != -1) fs_->setArg(toNextCondition, 1, fs_->currentPos() - toNextCondition);
  if (token_ == TkDefault) {
    lex();
    expect(u':');
    int stackSize = fs_->stackSize();
    statements();
    fs_->setStackSize(stackSize);
  }
  expect(u'}');
  fs_->popTarget();
  resolveJumps(fs_->unresolvedBreaks, breakMark, fs_->currentPos());
  fs_->breakTargets.pop_back();
}

void Parser::tryCatchStatement() {
  lex();
  fs_->addInstruction(Op::PushTrap, 0, 0);
  fs_->traps++;
  if (!fs_->breakTargets.empty()) fs_->breakTargets.back()++;
  if (!fs_->continueTargets.empty()) fs_->continueTargets.back()++;
  int trapPos = fs_->currentPos();
  statement();
  fs_->traps--;
  fs_->addInstruction(Op::PopTrap, 1, 0);
  if (!fs_->breakTargets.empty()) fs_->breakTargets.back()--;
  if (!fs_->continueTargets.empty()) fs_->continueTargets.back()--;
  fs_->addInstruction(Op::Jmp, 0, 0);
  int jmpPos = fs_->currentPos();
  fs_->setArg(trapPos, 1, fs_->currentPos() - trapPos);
  expect(TkCatch);
  expect(u'(');
  std::u16string name = expect(TkIdentifier);
  expect(u')');
  int stackSize = fs_->stackSize();
  int caught = fs_->pushLocalVariable(name);
  fs_->setArg(trapPos, 0, caught);
  statement();
  fs_->setArg(jmpPos, 1, fs_->currentPos() - jmpPos);
  cleanStack(stackSize);
}

}  // namespace sqcompiler
