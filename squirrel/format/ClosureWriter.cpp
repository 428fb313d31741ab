#include "squirrel/format/ClosureWriter.h"

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

namespace sqformat {
namespace {

constexpr uint16_t kStreamTag = 0xFAFA;
constexpr uint32_t kHeadTag = 0x53514952;  // 'SQIR'
constexpr uint32_t kPartTag = 0x50415254;  // 'PART'
constexpr uint32_t kTailTag = 0x5441494C;  // 'TAIL'
constexpr uint32_t kCharSize = 2;

constexpr uint32_t kTypeNull = 0x01000001;
constexpr uint32_t kTypeInteger = 0x05000002;
constexpr uint32_t kTypeFloat = 0x05000004;
constexpr uint32_t kTypeString = 0x08000010;

// Writes the stream with the same calls, in the same grouping, as the machine's own writer:
// the line, default-parameter and instruction sections each in one call (a zero-length call
// when empty), everything else field by field.
class StreamWriter {
 public:
  explicit StreamWriter(const WriteBytes& write) : write_(write) {}

  bool raw(const void* data, std::size_t size) { return write_(data, size) == size; }

  bool u32(uint32_t value) {
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return raw(bytes, 4);
  }

  bool count(std::size_t n) {
    return n <= static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) &&
           u32(static_cast<uint32_t>(n));
  }

  bool object(const Literal& value) {
    if (std::holds_alternative<Null>(value)) return u32(kTypeNull);
    if (auto* i = std::get_if<int32_t>(&value)) return u32(kTypeInteger) && u32(static_cast<uint32_t>(*i));
    if (auto* f = std::get_if<float>(&value)) {
      return u32(kTypeFloat) && u32(std::bit_cast<uint32_t>(*f));
    }
    const std::u16string& s = std::get<std::u16string>(value);
    std::vector<uint8_t> bytes;
    bytes.reserve(s.size() * 2);
    for (char16_t c : s) {
      bytes.push_back(static_cast<uint8_t>(c));
      bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return u32(kTypeString) && count(s.size()) && raw(bytes.data(), bytes.size());
  }

  bool function(const FunctionData& f) {
    if (!u32(kPartTag) || !object(f.sourceName) || !object(f.functionName) || !u32(kPartTag)) {
      return false;
    }
    if (!count(f.literals.size()) || !count(f.parameters.size()) || !count(f.outerValues.size()) ||
        !count(f.localVarInfos.size()) || !count(f.lineInfos.size()) ||
        !count(f.defaultParams.size()) || !count(f.instructions.size()) ||
        !count(f.functions.size())) {
      return false;
    }
    if (!u32(kPartTag)) return false;
    for (const Literal& l : f.literals) {
      if (!object(l)) return false;
    }
    if (!u32(kPartTag)) return false;
    for (const Literal& p : f.parameters) {
      if (!object(p)) return false;
    }
    if (!u32(kPartTag)) return false;
    for (const OuterValue& o : f.outerValues) {
      if (!u32(static_cast<uint32_t>(o.kind)) || !object(o.source) || !object(o.name)) return false;
    }
    if (!u32(kPartTag)) return false;
    for (const LocalVarInfo& l : f.localVarInfos) {
      if (!object(l.name) || !u32(l.reg) || !u32(l.firstInstruction) || !u32(l.lastInstruction)) {
        return false;
      }
    }
    if (!u32(kPartTag)) return false;
    std::vector<uint8_t> bytes;
    for (const LineInfo& l : f.lineInfos) {
      append(bytes, static_cast<uint32_t>(l.line));
      append(bytes, static_cast<uint32_t>(l.instruction));
    }
    if (!raw(bytes.data(), bytes.size()) || !u32(kPartTag)) return false;
    bytes.clear();
    for (int32_t reg : f.defaultParams) append(bytes, static_cast<uint32_t>(reg));
    if (!raw(bytes.data(), bytes.size()) || !u32(kPartTag)) return false;
    bytes.clear();
    for (const Instruction& i : f.instructions) {
      append(bytes, static_cast<uint32_t>(i.arg1));
      bytes.insert(bytes.end(), {i.op, i.arg0, i.arg2, i.arg3});
    }
    if (!raw(bytes.data(), bytes.size()) || !u32(kPartTag)) return false;
    for (const auto& nested : f.functions) {
      if (!function(*nested)) return false;
    }
    uint8_t generator = f.isGenerator ? 1 : 0;
    uint8_t varargs = f.hasVarargs ? 1 : 0;
    return u32(static_cast<uint32_t>(f.stackSize)) && raw(&generator, 1) && raw(&varargs, 1);
  }

 private:
  static void append(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.insert(bytes.end(), {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                               static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)});
  }

  const WriteBytes& write_;
};

}  // namespace

bool writeClosure(const FunctionData& function, const WriteBytes& write, std::u16string& error) {
  StreamWriter out(write);
  uint8_t streamTag[2] = {static_cast<uint8_t>(kStreamTag), static_cast<uint8_t>(kStreamTag >> 8)};
  bool ok = out.raw(streamTag, 2) && out.u32(kHeadTag) && out.u32(kCharSize) &&
            out.function(function) && out.u32(kTailTag);
  if (!ok) error = u"io error (write function failure)";
  return ok;
}

}  // namespace sqformat
