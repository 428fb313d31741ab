#pragma once

// The instruction set of compiled closures, as numbered in the stream.

#include <cstdint>

namespace sqcompiler {

enum class Op : uint8_t {
  Line = 0,
  Load = 1,
  LoadInt = 2,
  LoadFloat = 3,
  DLoad = 4,
  TailCall = 5,
  Call = 6,
  PrepCall = 7,
  PrepCallK = 8,
  GetK = 9,
  Move = 10,
  NewSlot = 11,
  Delete = 12,
  Set = 13,
  Get = 14,
  Eq = 15,
  Ne = 16,
  Arith = 17,
  Bitw = 18,
  Return = 19,
  LoadNulls = 20,
  LoadRootTable = 21,
  LoadBool = 22,
  DMove = 23,
  Jmp = 24,
  Jnz = 25,
  Jz = 26,
  LoadFreeVar = 27,
  VargC = 28,
  GetVargV = 29,
  NewTable = 30,
  NewArray = 31,
  AppendArray = 32,
  GetParent = 33,
  CompArith = 34,
  CompArithL = 35,
  Inc = 36,
  IncL = 37,
  PInc = 38,
  PIncL = 39,
  Cmp = 40,
  Exists = 41,
  InstanceOf = 42,
  And = 43,
  Or = 44,
  Neg = 45,
  Not = 46,
  BwNot = 47,
  Closure = 48,
  Yield = 49,
  Resume = 50,
  Foreach = 51,
  PostForeach = 52,
  Delegate = 53,
  Clone = 54,
  TypeOf = 55,
  PushTrap = 56,
  PopTrap = 57,
  Throw = 58,
  Class = 59,
  NewSlotA = 60,
};

// Sub-operations carried in arg3.
enum BitwiseOp : uint8_t { BwAnd = 0, BwOr = 2, BwXor = 3, BwShiftL = 4, BwShiftR = 5, BwUShiftR = 6 };
enum CompareOp : uint8_t { CmpG = 0, CmpGE = 2, CmpL = 3, CmpLE = 4 };

// NEWSLOTA flags (arg0).
constexpr uint8_t kNewSlotAttributes = 1;
constexpr uint8_t kNewSlotStatic = 2;

// A register operand of 255 means "none"; so a frame can use registers 0 to 254.
constexpr int kNoRegister = 255;
constexpr int kMaxRegisters = 255;

}  // namespace sqcompiler
