#pragma once

// The single-pass parser and code generator. It produces exactly the code shapes of the
// reference compiler: expression results live on a target stack of registers, an expression
// that can be assigned to remembers how (ExpState), and FuncState folds instructions with its
// peephole rules as they are added.
//
// The member functions are spread over ParserStatements.cpp, ParserLoops.cpp,
// ParserExpressions.cpp (operators, assignment), ParserOperands.cpp and ParserDeclarations.cpp
// (functions, classes, tables, constants).

#include "squirrel/compiler/Compiler.h"
#include "squirrel/compiler/FuncState.h"
#include "squirrel/compiler/Lexer.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sqcompiler {

class Parser {
 public:
  Parser(std::u16string_view source, std::u16string_view sourceName, DebugInfo debugInfo,
         ConstantTable& constants);

  // Compiles the whole source into the main function. Raises CompileFailure.
  std::unique_ptr<sqformat::FunctionData> compileMain();

 private:
  // What the last parsed operand is: a value only, a slot (object and key on the target stack),
  // or a register that can be written (a local; free variables and constants are refused).
  static constexpr int kDerefNone = -1;
  static constexpr int kDerefField = -2;
  struct ExpState {
    int deref = kDerefNone;
    bool freeVar = false;
    bool classOrDelete = false;
  };

  // Bounds the recursion of the parser so that deeply nested input fails cleanly.
  class DepthGuard {
   public:
    explicit DepthGuard(Parser& p);
    ~DepthGuard() { --parser_.depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

   private:
    Parser& parser_;
  };

  // --- tokens ---
  void lex() { token_ = lexer_.lex(); }
  std::u16string expect(int token);
  bool isEndOfStatement() const;
  void optionalSemicolon();
  [[noreturn]] void error(std::u16string message) const { lexer_.error(std::move(message)); }

  // --- statements ---
  void statement();
  void statements();
  void ifStatement();
  void whileStatement();
  void doWhileStatement();
  void forStatement();
  void foreachStatement();
  void switchStatement();
  void localDeclStatement();
  void returnStatement();
  void breakStatement();
  void continueStatement();
  void tryCatchStatement();
  void cleanStack(int stackSize);
  void beginBreakableBlock();
  void endBreakableBlock(int continueTarget);
  void resolveJumps(std::vector<int>& pending, std::size_t keep, int target);

  // --- expressions ---
  void commaExpr();
  void expression();
  void assignment(int op);
  void ternary();
  void logicalOrExp();
  void logicalAndExp();
  void shortCircuit(Op op, void (Parser::*rhs)());
  void bitwiseOrExp();
  void bitwiseXorExp();
  void bitwiseAndExp();
  void compExp();
  void shiftExp();
  void plusExp();
  void multExp();
  void binaryOp(Op op, void (Parser::*operand)(), int subOp = 0);
  void prefixedExp();
  int factor();
  int identifier();
  void constantValue(const std::u16string& name, const ConstantValue& constant);
  void arrayLiteral();
  void unaryOp(Op op);
  ExpState slotOperand();
  void prefixIncDec(int token);
  void deleteExpr();
  void delegateExpr();
  void functionCallArgs();
  bool needGet() const;
  void emit2ArgsOp(Op op, int arg3 = 0);
  void emitDerefOp(Op op);
  void emitCompoundArith(int token, bool field);
  void emitLoadInt(int32_t value);
  void emitLoadFloat(float value);
  void moveIfCurrentTargetIsLocal();
  ExpState& exst() { return expStates_.back(); }
  void pushExpState() { expStates_.push_back(ExpState{}); }
  ExpState popExpState();

  // --- declarations ---
  void functionStatement();
  void classStatement();
  void classExp();
  void functionExp();
  void createFunction(const std::u16string* name);
  void parseTableOrClass(int separator, int terminator);
  void enumStatement();
  void constStatement();
  sqformat::Literal expectScalar();

  Lexer lexer_;
  std::u16string sourceName_;
  bool lineInstructions_;
  ConstantTable& constants_;
  int token_ = 0;
  int depth_ = 0;
  FuncState* fs_ = nullptr;
  std::vector<ExpState> expStates_;
  // Per open loop: how many unresolved breaks and continues existed when it began.
  std::vector<std::size_t> breakMarks_;
  std::vector<std::size_t> continueMarks_;
};

}  // namespace sqcompiler
