#pragma once

// A function prototype as the machine runs it: built from the stream's neutral form and
// checked (every operand inside its function) before any of it runs.

#include "squirrel/format/FunctionData.h"
#include "squirrel/vm/Value.h"

#include <memory>
#include <string>
#include <vector>

namespace sqvm {

using Instruction = sqformat::Instruction;

enum Opcode : uint8_t {
  OP_LINE = 0, OP_LOAD, OP_LOADINT, OP_LOADFLOAT, OP_DLOAD, OP_TAILCALL, OP_CALL, OP_PREPCALL,
  OP_PREPCALLK, OP_GETK, OP_MOVE, OP_NEWSLOT, OP_DELETE, OP_SET, OP_GET, OP_EQ, OP_NE, OP_ARITH,
  OP_BITW, OP_RETURN, OP_LOADNULLS, OP_LOADROOTTABLE, OP_LOADBOOL, OP_DMOVE, OP_JMP, OP_JNZ,
  OP_JZ, OP_LOADFREEVAR, OP_VARGC, OP_GETVARGV, OP_NEWTABLE, OP_NEWARRAY, OP_APPENDARRAY,
  OP_GETPARENT, OP_COMPARITH, OP_COMPARITHL, OP_INC, OP_INCL, OP_PINC, OP_PINCL, OP_CMP,
  OP_EXISTS, OP_INSTANCEOF, OP_AND, OP_OR, OP_NEG, OP_NOT, OP_BWNOT, OP_CLOSURE, OP_YIELD,
  OP_RESUME, OP_FOREACH, OP_POSTFOREACH, OP_DELEGATE, OP_CLONE, OP_TYPEOF, OP_PUSHTRAP,
  OP_POPTRAP, OP_THROW, OP_CLASS, OP_NEWSLOTA, OP_COUNT,
  // The machine's own forms, written over the stream's instruction at load time and turned back
  // when a function is written out: one operator each, so the loop needs no second choice.
  OP_ADD = OP_COUNT, OP_SUB, OP_MUL, OP_DIV, OP_MOD, OP_BAND, OP_BOR, OP_BXOR, OP_SHL, OP_SHR,
  OP_USHR, OP_CMPG, OP_CMPGE, OP_CMPL, OP_CMPLE,
  // A comparison whose result the next instruction (a JZ on the same register) tests: both in
  // one step; the JZ stays in place for jumps that land on it.
  OP_CMPGJZ, OP_CMPGEJZ, OP_CMPLJZ, OP_CMPLEJZ,
  // A constant load followed by one of the forms above (OP_ADD to OP_CMPLEJZ): the load, then
  // that form without a second dispatch. The form stays in place for jumps that land on it.
  OP_LOADINT_THEN, OP_LOADFLOAT_THEN = OP_LOADINT_THEN + (OP_CMPLEJZ - OP_ADD + 1),
  // An increment of a local followed by a JMP (the step of a counting loop): both in one step;
  // the JMP stays in place.
  OP_INCL_THEN_JMP = OP_LOADFLOAT_THEN + (OP_CMPLEJZ - OP_ADD + 1), OP_PINCL_THEN_JMP,
  // A constant load whose register is the right operand (and not the left one) of the form
  // after it, and also the form's target: the form runs on the constant taken from this
  // instruction, whose arg2 and arg3 (zero in the stream) hold the form's left operand and
  // target, so that the form's own instruction is not read. An integer divisor of 0 or -1 is
  // left to the load and the form as they stand. Same order as above.
  OP_INTK_THEN, OP_FLOATK_THEN = OP_INTK_THEN + (OP_CMPLEJZ - OP_ADD + 1),
  // The step of a counting loop joined with its jump back and the loop's test: an increment
  // of a local, then a JMP to a comparison of that local with an integer constant (a joined
  // LOADINT and CMP..JZ) or with another register (a CMP..JZ), tested by a JZ. The local is
  // stepped, compared and the loop entered or left in one step; JMP and test stay in place.
  OP_INCL_THEN_LOOP = OP_FLOATK_THEN + (OP_CMPLEJZ - OP_ADD + 1), OP_PINCL_THEN_LOOP,
  // A compound assignment to a local (COMPARITHL), one form per operator.
  OP_ADDL, OP_SUBL, OP_MULL, OP_DIVL, OP_MODL,
  // A JMP that lands on a RETURN (the end of one branch of `return c ? a : b`): the jump and
  // the return in one step.
  OP_JMP_THEN_RETURN,
  // A MOVE followed by such a JMP: the move, the jump and the return in one step; the JMP stays
  // in place.
  OP_MOVE_THEN_RETURN,
  // The stepped loop form above for the common shape: a constant limit, and the step's target,
  // the constant's register and the comparison's register all one register, which ends up
  // holding the comparison's result, so that nothing else needs writing. One form per
  // comparison (in OP_CMPG order), prefix steps first; the step's arg2 holds how many
  // instructions before the step the loop's test starts.
  OP_INCL_THEN_LOOPK_G, OP_INCL_THEN_LOOPK_GE, OP_INCL_THEN_LOOPK_L, OP_INCL_THEN_LOOPK_LE,
  OP_PINCL_THEN_LOOPK_G, OP_PINCL_THEN_LOOPK_GE, OP_PINCL_THEN_LOOPK_L, OP_PINCL_THEN_LOOPK_LE,
  // As OP_INTK_THEN and OP_FLOATK_THEN, for a form whose target is another register: the
  // constant's register is written as well.
  OP_INTK_STORE_THEN, OP_FLOATK_STORE_THEN = OP_INTK_STORE_THEN + (OP_CMPLEJZ - OP_ADD + 1),
  OP_K_STORE_THEN_END = OP_FLOATK_STORE_THEN + (OP_CMPLEJZ - OP_ADD + 1),
  // An arithmetic form (OP_ADD to OP_MOD order) whose target the next instruction, a RETURN,
  // gives back: the result is returned without being written to the frame's register. The
  // RETURN stays in place.
  OP_ADD_THEN_RETURN = OP_K_STORE_THEN_END, OP_SUB_THEN_RETURN, OP_MUL_THEN_RETURN,
  OP_DIV_THEN_RETURN, OP_MOD_THEN_RETURN,
  // A PREPCALLK whose constant key is a string (as the compiler's always are).
  OP_PREPCALLK_STRING,
  OP_INTERNAL_END
};

// The forms a constant load may be joined with, in opcode order.
// SQ_LOAD_THEN_FORMS_OF passes `a` before each form: X(a, ADD) ...
#define SQ_LOAD_THEN_FORMS_OF(X, a)                                                          \
  X(a, ADD) X(a, SUB) X(a, MUL) X(a, DIV) X(a, MOD) X(a, BAND) X(a, BOR) X(a, BXOR) X(a, SHL) \
  X(a, SHR) X(a, USHR) X(a, CMPG) X(a, CMPGE) X(a, CMPL) X(a, CMPLE) X(a, CMPGJZ)            \
  X(a, CMPGEJZ) X(a, CMPLJZ) X(a, CMPLEJZ)
#define SQ_APPLY_TO_FORM(X, form) X(form)
#define SQ_LOAD_THEN_FORMS(X) SQ_LOAD_THEN_FORMS_OF(SQ_APPLY_TO_FORM, X)

// The stream's instruction for a machine form (itself for every stream instruction).
uint8_t streamOpcode(uint8_t op);
// Replaces the instructions that have a machine form by it; every index stays where it was.
void specialiseCode(std::vector<Instruction>& code);

struct OuterInfo {
  sqformat::OuterKind kind;
  Value source;  // register or outer index (integer), or the symbol's name (string)
  Value name;
};

struct LocalInfo {
  Value name;
  uint32_t reg;
  uint32_t first;
  uint32_t last;
};

struct Class;

// What an instruction that reads a member by a constant name last found: the member table
// entry (field or method with its index) in a class. A class's members keep their entries once
// it has an instance (it is locked then), and only instances fill the cache, so the entry holds
// for as long as the class lives; the serial tells a new class at the same address apart.
// An instruction whose key is a register remembers the key string too, by address and serial
// (strings are interned, so an equal key is the same string while it lives).
struct MemberCache {
  const Class* cls = nullptr;
  uint32_t serial = 0;
  SQInteger member = 0;
  const RefCounted* key = nullptr;
  uint32_t keySerial = 0;
};

// What an instruction that fetches a function by a constant name to call it knows beyond an
// instance's members: the class whose instances lack the name and have no _get (a locked class
// keeps its members and metamethods, so that holds while the class lives; the serial tells a
// new class at the same address apart), and the index of the root table's node that last held
// the name (Table::findHinted checks it before it is used).
struct CallSiteCache {
  const Class* noMemberClass = nullptr;
  uint32_t noMemberSerial = 0;
  uint32_t slotHint = 0;
};

struct FunctionProto final : RefCounted {
  Value sourceName;
  Value name;
  std::vector<Value> literals;
  std::vector<Value> parameters;
  std::vector<OuterInfo> outers;
  std::vector<LocalInfo> locals;
  std::vector<sqformat::LineInfo> lines;
  std::vector<int32_t> defaultParams;
  // The instructions and, after them, one RETURN of null that nothing in the stream can jump
  // past, so running off the end of a function is a plain return.
  std::vector<Instruction> code;
  uint32_t instructionCount = 0;
  std::vector<FunctionProto*> functions;  // counted references
  // One per instruction, made when the first member lookup needs it (never written out).
  std::vector<MemberCache> memberCaches;
  // One per instruction, made when the first call by a constant name needs it (never written).
  std::vector<CallSiteCache> callSiteCaches;
  int32_t stackSize = 0;
  // The argument count of a call that may take the loop's short path: the parameter count, or
  // -1 for a generator (which never does).
  int32_t plainCallArgs = -1;
  bool generator = false;
  bool varargs = false;

  ~FunctionProto() override;
  int32_t parameterCount() const { return static_cast<int32_t>(parameters.size()); }
  // Line of the instruction at `index` (-1 when the function has no line information).
  int32_t lineAt(int32_t index) const;
  MemberCache& memberCacheAt(const Instruction* ip) {
    if (memberCaches.empty()) memberCaches.resize(code.size());
    return memberCaches[static_cast<size_t>(ip - code.data())];
  }
  CallSiteCache& callSiteAt(const Instruction* ip) {
    if (callSiteCaches.empty()) callSiteCaches.resize(code.size());
    return callSiteCaches[static_cast<size_t>(ip - code.data())];
  }
};

inline FunctionProto* asProto(const SQObject& o) {
  return static_cast<FunctionProto*>(o._unVal.pRefCounted);
}

class StringTable;

// Builds a prototype tree from the neutral form, checking it; null with `error` on refusal.
FunctionProto* buildProto(const sqformat::FunctionData& data, StringTable& strings,
                          std::u16string& error);
// The neutral form of a prototype (for writing it back).
std::unique_ptr<sqformat::FunctionData> protoToData(const FunctionProto& proto);

}  // namespace sqvm
