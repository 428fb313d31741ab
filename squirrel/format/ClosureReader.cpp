#include "squirrel/format/ClosureReader.h"

#include <cstring>

namespace sqformat {

namespace {

constexpr uint16_t kStreamTag = 0xFAFA;
constexpr uint32_t kHeadTag = 0x53514952;  // 'SQIR'
constexpr uint32_t kTailTag = 0x5441494C;  // 'TAIL'
constexpr uint32_t kPartTag = 0x50415254;  // 'PART'

constexpr uint32_t kTypeNull = 0x01000001;
constexpr uint32_t kTypeInteger = 0x05000002;
constexpr uint32_t kTypeFloat = 0x05000004;
constexpr uint32_t kTypeString = 0x08000010;

// Elements are read in batches of this many, so a count larger than the data that follows
// costs no more memory than the data that is really there.
constexpr uint32_t kBatch = 4096;
// Deeper nesting than any real script: refused before it can exhaust the native stack.
constexpr int kMaxDepth = 200;

const char16_t* typeNameOf(uint32_t tag) {
  switch (tag & 0x00FFFFFFu) {
    case 0x00000001: return u"null";
    case 0x00000002: return u"integer";
    case 0x00000004: return u"float";
    case 0x00000008: return u"bool";
    case 0x00000010: return u"string";
    case 0x00000020: return u"table";
    case 0x00000040: return u"array";
    case 0x00000080: return u"userdata";
    case 0x00000100:
    case 0x00000200:
    case 0x00002000: return u"function";
    case 0x00000400: return u"generator";
    case 0x00000800: return u"userdata";
    case 0x00001000: return u"thread";
    case 0x00004000: return u"class";
    case 0x00008000: return u"instance";
    case 0x00010000: return u"weakref";
    default: return u"unknown";
  }
}

struct Failure {
  std::u16string message;
};

class Reader {
 public:
  explicit Reader(const ReadBytes& read) : read_(read) {}

  void bytes(void* dst, size_t n) {
    if (n == 0) return;
    if (read_(dst, n) != n) {
      throw Failure{u"io error, read function failure, the origin stream could be corrupted/trucated"};
    }
  }
  uint32_t u32() {
    unsigned char b[4];
    bytes(b, 4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  }
  int32_t i32() { return static_cast<int32_t>(u32()); }
  void tag(uint32_t expected) {
    if (u32() != expected) throw Failure{u"invalid or corrupted closure stream"};
  }
  uint32_t count() {
    const int32_t n = i32();
    if (n < 0) throw Failure{u"invalid or corrupted closure stream"};
    return static_cast<uint32_t>(n);
  }
  bool flag() {
    unsigned char b;
    bytes(&b, 1);
    return b != 0;
  }

  Literal object() {
    const uint32_t type = u32();
    switch (type) {
      case kTypeNull: return Null{};
      case kTypeInteger: return i32();
      case kTypeFloat: {
        const uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
      }
      case kTypeString: {
        const uint32_t len = count();
        std::u16string s;
        buffer_.resize(2 * kBatch);
        unsigned char* buf = buffer_.data();
        for (uint32_t done = 0; done < len;) {
          const uint32_t n = len - done < kBatch ? len - done : kBatch;
          bytes(buf, 2 * static_cast<size_t>(n));
          for (uint32_t i = 0; i < n; ++i) {
            s.push_back(static_cast<char16_t>(buf[2 * i] | (buf[2 * i + 1] << 8)));
          }
          done += n;
        }
        return s;
      }
      default: throw Failure{std::u16string(u"cannot serialize a ") + typeNameOf(type)};
    }
  }

  template <typename T, typename F>
  void many(std::vector<T>& out, uint32_t n, F one) {
    for (uint32_t i = 0; i < n; ++i) {
      if (i % kBatch == 0) out.reserve(out.size() + (n - i < kBatch ? n - i : kBatch));
      out.push_back(one());
    }
  }

  std::unique_ptr<FunctionData> function(int depth) {
    if (depth > kMaxDepth) throw Failure{u"invalid or corrupted closure stream"};
    auto f = std::make_unique<FunctionData>();
    tag(kPartTag);
    f->sourceName = object();
    f->functionName = object();
    tag(kPartTag);
    const uint32_t nliterals = count();
    const uint32_t nparameters = count();
    const uint32_t nouters = count();
    const uint32_t nlocals = count();
    const uint32_t nlines = count();
    const uint32_t ndefaults = count();
    const uint32_t ninstructions = count();
    const uint32_t nfunctions = count();
    tag(kPartTag);
    many(f->literals, nliterals, [&] { return object(); });
    tag(kPartTag);
    many(f->parameters, nparameters, [&] { return object(); });
    tag(kPartTag);
    many(f->outerValues, nouters, [&] {
      OuterValue o;
      o.kind = static_cast<OuterKind>(u32());
      o.source = object();
      o.name = object();
      return o;
    });
    tag(kPartTag);
    many(f->localVarInfos, nlocals, [&] {
      LocalVarInfo l;
      Literal name = object();
      if (auto* s = std::get_if<std::u16string>(&name)) l.name = std::move(*s);
      l.reg = u32();
      l.firstInstruction = u32();
      l.lastInstruction = u32();
      return l;
    });
    tag(kPartTag);
    many(f->lineInfos, nlines, [&] {
      LineInfo l;
      l.line = i32();
      l.instruction = i32();
      return l;
    });
    tag(kPartTag);
    many(f->defaultParams, ndefaults, [&] { return i32(); });
    tag(kPartTag);
    for (uint32_t done = 0; done < ninstructions;) {
      const uint32_t n = ninstructions - done < kBatch ? ninstructions - done : kBatch;
      buffer_.resize(8 * kBatch);
      unsigned char* buf = buffer_.data();
      bytes(buf, 8 * static_cast<size_t>(n));
      f->instructions.reserve(f->instructions.size() + n);
      for (uint32_t i = 0; i < n; ++i) {
        const unsigned char* p = buf + 8 * i;
        Instruction in;
        in.arg1 = static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                       (static_cast<uint32_t>(p[3]) << 24));
        in.op = p[4];
        in.arg0 = p[5];
        in.arg2 = p[6];
        in.arg3 = p[7];
        f->instructions.push_back(in);
      }
      done += n;
    }
    tag(kPartTag);
    many(f->functions, nfunctions, [&] { return function(depth + 1); });
    f->stackSize = i32();
    f->isGenerator = flag();
    f->hasVarargs = flag();
    return f;
  }

 private:
  const ReadBytes& read_;
  std::vector<unsigned char> buffer_;
};

}  // namespace

std::unique_ptr<FunctionData> readClosure(const ReadBytes& read, std::u16string& error) {
  try {
    Reader r(read);
    unsigned char head[2];
    if (read(head, 2) != 2) {
      error = u"io error";
      return nullptr;
    }
    if ((head[0] | (head[1] << 8)) != kStreamTag) {
      error = u"invalid stream";
      return nullptr;
    }
    r.tag(kHeadTag);
    r.tag(2);  // the character size
    auto main = r.function(0);
    r.tag(kTailTag);
    return main;
  } catch (const Failure& f) {
    error = f.message;
    return nullptr;
  }
}

}  // namespace sqformat
