#pragma once

// The state of one function while it is being compiled: the register stack shared by named
// locals and expression temporaries, the literal table, the instruction list with its peephole
// rules, and the debug records (line and local-variable infos).

#include "squirrel/compiler/Opcodes.h"
#include "squirrel/format/FunctionData.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sqcompiler {

class Lexer;

class FuncState {
 public:
  FuncState(FuncState* parent, const Lexer& lexer, bool lineInstructions);

  FuncState* parent() const { return parent_; }

  // --- registers ---
  // Pushes register `reg` as the current expression target, or a fresh temporary when -1.
  int pushTarget(int reg = -1);
  // Pops the current target; a temporary register is released with it.
  int popTarget();
  int topTarget() const;
  int targetFromTop(int n) const;
  int stackSize() const { return static_cast<int>(locals_.size()); }
  // Releases registers down to `size`, closing the debug records of named locals.
  void setStackSize(int size);
  bool isLocal(int reg) const;
  int pushLocalVariable(const std::u16string& name);
  int findLocalVariable(const std::u16string& name) const;
  int findOuterVariable(const std::u16string& name) const;
  void addOuterValue(const std::u16string& name);
  void addParameter(const std::u16string& name);
  void addDefaultParam(int reg) { defaultParams_.push_back(reg); }

  // --- literals ---
  int literalIndex(const sqformat::Literal& value);

  // --- instructions ---
  void addInstruction(Op op, int arg0 = 0, int arg1 = 0, int arg2 = 0, int arg3 = 0);
  void addInstruction(const sqformat::Instruction& instruction);
  int currentPos() const { return static_cast<int>(instructions_.size()) - 1; }
  sqformat::Instruction& instruction(int pos) { return instructions_.at(pos); }
  void setArg(int pos, int arg, int value);
  void popInstructions(int count);
  // Keeps the next instruction from being merged with the previous one (a jump lands between
  // them, or a statement ended).
  void snoozeOptimization() { optimization_ = false; }
  void addLineInfo(int line, bool force);

  std::unique_ptr<sqformat::FunctionData> build(const std::u16string& sourceName);

  // --- parser bookkeeping ---
  std::optional<std::u16string> name;  // null for an anonymous function
  std::vector<std::unique_ptr<sqformat::FunctionData>> functions;
  bool isGenerator = false;
  bool hasVarargs = false;
  int traps = 0;
  int returnExpression = -1;
  // Per enclosing loop (or switch): the number of traps a break or continue must pop.
  std::vector<int> breakTargets;
  std::vector<int> continueTargets;
  std::vector<int> unresolvedBreaks;
  std::vector<int> unresolvedContinues;

 private:
  struct Local {
    std::optional<std::u16string> name;  // none for a temporary
    int startOp = 0;
    int endOp = 0;
    int reg = 0;
  };

  int allocateRegister();
  bool mergeWithPrevious(const sqformat::Instruction& next);
  [[noreturn]] void internalError(const char16_t* what) const;

  FuncState* parent_;
  const Lexer& lexer_;
  bool lineInstructions_;
  bool optimization_ = true;
  int lastLine_ = 0;
  int maxStack_ = 0;
  std::vector<Local> locals_;
  std::vector<int> targets_;
  std::vector<sqformat::Instruction> instructions_;
  std::vector<sqformat::Literal> literals_;
  std::map<std::pair<int, std::u16string>, int> literalIndex_;
  std::vector<std::u16string> parameters_;
  std::vector<sqformat::OuterValue> outerValues_;
  std::vector<sqformat::LocalVarInfo> localVarInfos_;
  std::vector<sqformat::LineInfo> lineInfos_;
  std::vector<int32_t> defaultParams_;
};

}  // namespace sqcompiler
