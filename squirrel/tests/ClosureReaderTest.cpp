// The compiled-stream reader and the checks before anything runs: what is refused, with
// which message, and that refusal never reads or allocates past the data.

#include "squirrel/format/ClosureReader.h"

#include "squirrel/tests/ScriptFixture.h"
#include "testsupport/FileBytes.h"

#include "CompilerTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace sqtest;

constexpr const char* kTruncated =
    "io error, read function failure, the origin stream could be corrupted/trucated";
constexpr const char* kCorrupted = "invalid or corrupted closure stream";

std::vector<unsigned char> fileBytes(const std::string& path) { return readFileBytes(path); }

std::string readError(const std::vector<unsigned char>& bytes) {
  size_t pos = 0;
  std::u16string error;
  auto f = sqformat::readClosure(
      [&](void* buf, size_t n) {
        const size_t k = std::min(n, bytes.size() - pos);
        if (k) std::memcpy(buf, bytes.data() + pos, k);
        pos += k;
        return k;
      },
      error);
  return f ? "" : narrow(error.c_str());
}

FunctionData smallMain() {
  return function({Literal(std::u16string(u"x")), Literal(5)}, {op(1, 1, 0), op(2, 1, 7)}, 2);
}

TEST(ClosureReader, ReadsACompiledScriptOfTheSuite) {
  SQTEST_SKIP_WITHOUT_SHARED(conformanceDir());
  const auto bytes = fileBytes(conformanceDir() + "/closures_outer.cnut");
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(readError(bytes), "");
}

TEST(ClosureReader, EveryTruncationIsAnIoError) {
  SQTEST_SKIP_WITHOUT_SHARED(conformanceDir());
  const auto bytes = fileBytes(conformanceDir() + "/closures_outer.cnut");
  for (size_t n = 0; n < bytes.size(); ++n) {
    const std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + n);
    EXPECT_EQ(readError(cut), n < 2 ? "io error" : kTruncated) << "cut at " << n;
  }
}

TEST(ClosureReader, WrongTagsAndTypesAreRefused) {
  const auto good = streamOf(smallMain());
  struct Case {
    const char* what;
    size_t offset;
    std::vector<unsigned char> bytes;
    std::string error;
  };
  // Offsets: stream tag 0, head tag 2, character size 6, first part tag 10, the names (30
  // bytes), a part tag, the counts at 58, a part tag, the first literal at 94.
  const std::vector<Case> cases = {
      {"stream tag", 0, {0xFA, 0xFB}, "invalid stream"},
      {"head tag", 2, {0x52, 0x49, 0x51, 0x54}, kCorrupted},
      {"character size", 6, {4, 0, 0, 0}, kCorrupted},
      {"part tag", 10, {0x54, 0x52, 0x41, 0x51}, kCorrupted},
      {"bool literal", 94, {0x08, 0x00, 0x00, 0x01}, "cannot serialize a bool"},
      {"table literal", 94, {0x20, 0x00, 0x00, 0x0A}, "cannot serialize a table"},
      {"negative count", 58, {0xFF, 0xFF, 0xFF, 0xFF}, kCorrupted},
      {"tail tag", good.size() - 4, {0x4C, 0x49, 0x41, 0x55}, kCorrupted},
  };
  for (const Case& c : cases) {
    auto bytes = good;
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + c.offset);
    EXPECT_EQ(readError(bytes), c.error) << c.what;
  }
}

TEST(ClosureReader, HugeCountsDoNotAllocateBeyondTheData) {
  // A function that claims 2^31-1 instructions and 2^31-1 literals but ends right away.
  auto bytes = streamOf(smallMain());
  bytes.resize(58);
  for (uint32_t word : {0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu,
                        0x7FFFFFFFu, 0x7FFFFFFFu, 0x50415254u}) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(word >> (8 * i)));
  }
  EXPECT_EQ(readError(bytes), kTruncated);
}

class ProtoCheck : public MachineTest {};

TEST_F(ProtoCheck, OperandsOutsideTheirFunctionAreRefusedBeforeRunning) {
  struct Case {
    const char* what;
    std::vector<Instruction> code;
    int32_t stack;
  };
  const std::vector<Case> cases = {
      {"register past the frame", {op(10, 4, 0)}, 4},
      {"literal past the table", {op(1, 0, 2)}, 2},
      {"jump before the start", {op(24, 0, -3)}, 2},
      {"jump past the end", {op(24, 0, 5)}, 2},
      {"nested function missing", {op(48, 1, 0)}, 2},
      {"free variable missing", {op(27, 1, 0)}, 2},
      {"argument block past the frame", {op(6, 1, 1, 1, 3)}, 3},
      {"call without this", {op(6, 1, 1, 1, 0)}, 3},
      {"unknown instruction", {op(61, 0)}, 2},
      {"compound operand past the frame", {op(34, 0, (9 << 16) | 1, 1, '+')}, 3},
      {"arithmetic operator", {op(17, 0, 1, 1, '^')}, 3},
      {"zero stack", {op(21, 0)}, 0},
  };
  for (const Case& c : cases) {
    const FunctionData f = function({Literal(1), Literal(2)}, c.code, c.stack);
    EXPECT_EQ(load(f), SQ_ERROR) << c.what;
    EXPECT_EQ(lastError().rfind("invalid closure", 0), 0u) << c.what << ": " << lastError();
  }
}

TEST_F(ProtoCheck, NestedFunctionsAreCheckedAgainstTheirParent) {
  FunctionData parent = function({}, {op(48, 1, 0)}, 3);
  auto child = std::make_unique<FunctionData>(function({}, {op(27, 1, 0)}, 2));
  child->outerValues.push_back({sqformat::OuterKind::Local, Literal(7), Literal(std::u16string(u"x"))});
  parent.functions.push_back(std::move(child));
  EXPECT_EQ(load(parent), SQ_ERROR);
  EXPECT_EQ(lastError(), "invalid closure: bad outer value");
  parent.functions[0]->outerValues[0].source = Literal(2);
  ASSERT_EQ(load(parent), SQ_OK);
  parent.functions[0]->defaultParams.push_back(3);
  parent.functions[0]->parameters.push_back(std::u16string(u"p"));
  EXPECT_EQ(load(parent), SQ_ERROR);
  EXPECT_EQ(lastError(), "invalid closure: bad default parameter register");
}

TEST_F(ProtoCheck, AJumpToTheEndReturnsNull) {
  // Jumping to the index just past the last instruction is allowed: it lands on the return
  // the machine keeps after every function.
  FunctionData f = function({}, {op(2, 1, 42), op(24, 0, 1), op(19, 1, 1)}, 2);
  f.instructions.pop_back();  // no trailing return of its own
  ASSERT_EQ(load(f), SQ_OK);
  sq_pushroottable(v);
  ASSERT_EQ(sq_call(v, 1, SQTrue, SQTrue), SQ_OK);
  EXPECT_EQ(sq_gettype(v, -1), OT_NULL);
}

}  // namespace
