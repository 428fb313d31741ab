// Loops, break and continue.

#include "squirrel/compiler/Parser.h"

namespace sqcompiler {

void Parser::whileStatement() {
  int loopStart = fs_->currentPos();
  lex();
  expect(u'(');
  commaExpr();
  expect(u')');
  beginBreakableBlock();
  fs_->addInstruction(Op::Jz, fs_->popTarget());
  int jzPos = fs_->currentPos();
  int stackSize = fs_->stackSize();
  statement();
  cleanStack(stackSize);
  fs_->addInstruction(Op::Jmp, 0, loopStart - fs_->currentPos() - 1);
  fs_->setArg(jzPos, 1, fs_->currentPos() - jzPos);
  endBreakableBlock(loopStart);
}

void Parser::doWhileStatement() {
  lex();
  int loopStart = fs_->currentPos();
  int stackSize = fs_->stackSize();
  beginBreakableBlock();
  statement();
  cleanStack(stackSize);
  expect(TkWhile);
  int continueTarget = fs_->currentPos();
  expect(u'(');
  commaExpr();
  expect(u')');
  fs_->addInstruction(Op::Jnz, fs_->popTarget(), loopStart - fs_->currentPos() - 1);
  endBreakableBlock(continueTarget);
}

// The increment expression is compiled where it is written, then cut out and appended after
// the body.
void Parser::forStatement() {
  lex();
  int stackSize = fs_->stackSize();
  expect(u'(');
  if (token_ == TkLocal) {
    localDeclStatement();
  } else if (token_ != u';') {
    commaExpr();
    fs_->popTarget();
  }
  expect(u';');
  fs_->snoozeOptimization();
  int loopStart = fs_->currentPos();
  int jzPos = -1;
  if (token_ != u';') {
    commaExpr();
    fs_->addInstruction(Op::Jz, fs_->popTarget());
    jzPos = fs_->currentPos();
  }
  expect(u';');
  fs_->snoozeOptimization();
  int incrementStart = fs_->currentPos() + 1;
  if (token_ != u')') {
    commaExpr();
    fs_->popTarget();
  }
  expect(u')');
  fs_->snoozeOptimization();
  int incrementSize = fs_->currentPos() - incrementStart + 1;
  std::vector<sqformat::Instruction> increment;
  for (int i = 0; i < incrementSize; ++i) increment.push_back(fs_->instruction(incrementStart + i));
  if (incrementSize > 0) fs_->popInstructions(incrementSize);
  beginBreakableBlock();
  statement();
  int continueTarget = fs_->currentPos();
  for (const sqformat::Instruction& i : increment) fs_->addInstruction(i);
  fs_->addInstruction(Op::Jmp, 0, loopStart - fs_->currentPos() - 1, 0);
  if (jzPos != -1) fs_->setArg(jzPos, 1, fs_->currentPos() - jzPos);
  cleanStack(stackSize);
  endBreakableBlock(continueTarget);
}

void Parser::foreachStatement() {
  lex();
  expect(u'(');
  std::u16string valueName = expect(TkIdentifier);
  std::u16string indexName = u"@INDEX@";
  if (token_ == u',') {
    indexName = valueName;
    lex();
    valueName = expect(TkIdentifier);
  }
  expect(TkIn);
  int stackSize = fs_->stackSize();
  expression();
  expect(u')');
  int container = fs_->topTarget();
  int indexReg = fs_->pushLocalVariable(indexName);
  fs_->addInstruction(Op::LoadNulls, indexReg, 1);
  int valueReg = fs_->pushLocalVariable(valueName);
  fs_->addInstruction(Op::LoadNulls, valueReg, 1);
  int iteratorReg = fs_->pushLocalVariable(u"@ITERATOR@");
  fs_->addInstruction(Op::LoadNulls, iteratorReg, 1);
  int loopStart = fs_->currentPos();
  fs_->addInstruction(Op::Foreach, container, 0, indexReg);
  int foreachPos = fs_->currentPos();
  fs_->addInstruction(Op::PostForeach, container, 0, indexReg);
  beginBreakableBlock();
  statement();
  fs_->addInstruction(Op::Jmp, 0, loopStart - fs_->currentPos() - 1);
  fs_->setArg(foreachPos, 1, fs_->currentPos() - foreachPos);
  fs_->setArg(foreachPos + 1, 1, fs_->currentPos() - foreachPos);
  cleanStack(stackSize);
  endBreakableBlock(foreachPos - 1);
}

void Parser::breakStatement() {
  if (fs_->breakTargets.empty()) error(u"'break' has to be in a loop block");
  if (fs_->breakTargets.back() > 0) fs_->addInstruction(Op::PopTrap, fs_->breakTargets.back(), 0);
  fs_->addInstruction(Op::Jmp, 0, -1234);
  fs_->unresolvedBreaks.push_back(fs_->currentPos());
  lex();
}

void Parser::continueStatement() {
  if (fs_->continueTargets.empty()) error(u"'continue' has to be in a loop block");
  if (fs_->continueTargets.back() > 0) {
    fs_->addInstruction(Op::PopTrap, fs_->continueTargets.back(), 0);
  }
  fs_->addInstruction(Op::Jmp, 0, -1234);
  fs_->unresolvedContinues.push_back(fs_->currentPos());
  lex();
}

// A loop body records its pending break and continue jumps above these marks.
void Parser::beginBreakableBlock() {
  fs_->breakTargets.push_back(0);
  fs_->continueTargets.push_back(0);
  breakMarks_.push_back(fs_->unresolvedBreaks.size());
  continueMarks_.push_back(fs_->unresolvedContinues.size());
}

void Parser::endBreakableBlock(int continueTarget) {
  resolveJumps(fs_->unresolvedContinues, continueMarks_.back(), continueTarget);
  resolveJumps(fs_->unresolvedBreaks, breakMarks_.back(), fs_->currentPos());
  continueMarks_.pop_back();
  breakMarks_.pop_back();
  fs_->breakTargets.pop_back();
  fs_->continueTargets.pop_back();
}

// Each jump lands on the instruction after `target`.
void Parser::resolveJumps(std::vector<int>& pending, std::size_t keep, int target) {
  while (pending.size() > keep) {
    int pos = pending.back();
    pending.pop_back();
    sqformat::Instruction& jump = fs_->instruction(pos);
    jump.arg0 = 0;
    jump.arg1 = target - pos;
    jump.arg2 = 0;
    jump.arg3 = 0;
  }
}

}  // namespace sqcompiler
