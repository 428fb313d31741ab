#include "foundation/omb/text/ombFormatNarrow.h"

#include "foundation/omb/text/ombFormatField.h"
#include "platform/text/Cp932.h"
#include "platform/text/Cp932LeadByte.h"

#include <cstdint>
#include <string_view>

namespace {

using omb_format::emitField;
using omb_format::formatFloat;
using omb_format::Sink;
using omb_format::Size;
using omb_format::Spec;

// The argument list behind a reference, so that every helper advances the same list whatever
// va_list is on the machine (an array on some, a record on others).
struct Arguments {
  va_list list;
};

void formatInteger(Sink& sink, const Spec& spec, char conversion, uint64_t magnitude,
                   bool negative) {
  const bool isSigned = conversion == 'd' || conversion == 'i';
  const unsigned base = conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X') ? 16 : 10;
  const char* digitSet = conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  char digits[64];
  std::size_t count = 0;
  for (uint64_t v = magnitude; v != 0; v /= base) {
    digits[count++] = digitSet[v % base];
  }
  const std::size_t minimum = spec.precision < 0 ? 1 : static_cast<std::size_t>(spec.precision);
  char body[600];
  std::size_t length = 0;
  std::size_t zeros = minimum > count ? minimum - count : 0;
  if (base == 8 && spec.alternate && zeros == 0 && (count == 0 || digits[count - 1] != '0')) {
    zeros = 1;
  }
  for (std::size_t i = 0; i < zeros && length < sizeof(body); ++i) {
    body[length++] = '0';
  }
  for (std::size_t i = count; i > 0 && length < sizeof(body); --i) {
    body[length++] = digits[i - 1];
  }
  std::string_view prefix;
  if (isSigned) {
    prefix = negative ? "-" : spec.plus ? "+" : spec.space ? " " : "";
  } else if (base == 16 && spec.alternate && magnitude != 0) {
    prefix = conversion == 'X' ? "0X" : "0x";
  }
  emitField(sink, spec, prefix, std::string_view(body, length), spec.zero && spec.precision < 0);
}

// 8-bit text, cut to the precision without separating a lead byte from its trail byte.
void formatNarrowText(Sink& sink, const Spec& spec, const char* text) {
  if (!text) {
    text = "(null)";
  }
  std::size_t length = 0;
  const std::size_t limit = spec.precision < 0 ? SIZE_MAX : static_cast<std::size_t>(spec.precision);
  while (text[length] && length < limit) {
    const std::size_t step =
        platform::cp932IsLeadByte(static_cast<unsigned char>(text[length])) && text[length + 1] ? 2 : 1;
    if (length + step > limit) {
      break;
    }
    length += step;
  }
  emitField(sink, spec, {}, std::string_view(text, length), false);
}

// UTF-16 text written in code page 932; the precision counts bytes of whole characters.
bool formatWideText(Sink& sink, const Spec& spec, const char16_t* text, std::size_t units) {
  if (!text) {
    formatNarrowText(sink, spec, nullptr);
    return true;
  }
  const std::size_t limit = spec.precision < 0 ? SIZE_MAX : static_cast<std::size_t>(spec.precision);
  std::size_t bytes = 0;
  std::size_t taken = 0;
  for (; taken < units; ++taken) {
    char code[2];
    const std::size_t length = platform::cp932EncodeChar(text[taken], code);
    if (length == 0) {
      return false;
    }
    if (bytes + length > limit) {
      break;
    }
    bytes += length;
  }
  const std::size_t pad = spec.width > 0 && static_cast<std::size_t>(spec.width) > bytes
                              ? static_cast<std::size_t>(spec.width) - bytes
                              : 0;
  if (!spec.left) {
    sink.fill(' ', pad);
  }
  for (std::size_t i = 0; i < taken; ++i) {
    char code[2];
    sink.put(std::string_view(code, platform::cp932EncodeChar(text[i], code)));
  }
  if (spec.left) {
    sink.fill(' ', pad);
  }
  return true;
}

std::size_t wideLength(const char16_t* text) {
  std::size_t length = 0;
  while (text && text[length]) {
    ++length;
  }
  return length;
}

// Reads the flags, width, precision and size of one conversion; `p` is after the "%".
const char* parseSpec(const char* p, Spec& spec, Arguments& args) {
  for (;; ++p) {
    if (*p == '-') spec.left = true;
    else if (*p == '+') spec.plus = true;
    else if (*p == ' ') spec.space = true;
    else if (*p == '#') spec.alternate = true;
    else if (*p == '0') spec.zero = true;
    else break;
  }
  if (*p == '*') {
    const int width = va_arg(args.list, int);
    if (width < 0) {
      spec.left = true;
      spec.width = width == INT32_MIN ? INT32_MAX : -width;
    } else {
      spec.width = width;
    }
    ++p;
  } else {
    for (; *p >= '0' && *p <= '9'; ++p) {
      spec.width = spec.width > 100000 ? spec.width : spec.width * 10 + (*p - '0');
    }
  }
  if (*p == '.') {
    ++p;
    spec.precision = 0;
    if (*p == '*') {
      const int precision = va_arg(args.list, int);
      spec.precision = precision < 0 ? -1 : precision;
      ++p;
    } else {
      for (; *p >= '0' && *p <= '9'; ++p) {
        spec.precision = spec.precision > 100000 ? spec.precision : spec.precision * 10 + (*p - '0');
      }
    }
  }
  if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
    spec.size = Size::Long64;
    p += 3;
  } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
    spec.size = Size::Long32;
    p += 3;
  } else if (p[0] == 'h' && p[1] == 'h') {
    spec.size = Size::Char;
    p += 2;
  } else if (p[0] == 'l' && p[1] == 'l') {
    spec.size = Size::Long64;
    p += 2;
  } else if (*p == 'h') {
    spec.size = Size::Short;
    spec.narrow = true;
    ++p;
  } else if (*p == 'l' || *p == 'w') {
    spec.size = Size::Long32;
    spec.wide = true;
    ++p;
  } else if (*p == 'L') {
    spec.size = Size::Long64;
    ++p;
  } else if (*p == 'I' || *p == 'z' || *p == 't' || *p == 'j') {
    spec.size = Size::Pointer;
    ++p;
  }
  return p;
}

void formatSigned(Sink& sink, const Spec& spec, char conversion, Arguments& args) {
  int64_t value;
  switch (spec.size) {
    case Size::Char: value = static_cast<signed char>(va_arg(args.list, int)); break;
    case Size::Short: value = static_cast<short>(va_arg(args.list, int)); break;
    case Size::Long64: value = va_arg(args.list, long long); break;
    case Size::Pointer: value = va_arg(args.list, std::ptrdiff_t); break;
    default: value = va_arg(args.list, int); break;
  }
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  formatInteger(sink, spec, conversion, magnitude, value < 0);
}

void formatUnsigned(Sink& sink, const Spec& spec, char conversion, Arguments& args) {
  uint64_t value;
  switch (spec.size) {
    case Size::Char: value = static_cast<unsigned char>(va_arg(args.list, unsigned)); break;
    case Size::Short: value = static_cast<unsigned short>(va_arg(args.list, unsigned)); break;
    case Size::Long64: value = va_arg(args.list, unsigned long long); break;
    case Size::Pointer: value = va_arg(args.list, std::size_t); break;
    default: value = va_arg(args.list, unsigned); break;
  }
  formatInteger(sink, spec, conversion, value, false);
}

}  // namespace

bool ombFormatNarrow(char* out, std::size_t size, const char* format, va_list list) {
  Arguments args;
  va_copy(args.list, list);
  struct End {
    Arguments& args;
    ~End() { va_end(args.list); }
  } end{args};
  Sink sink(out, size);
  const char* p = format;
  while (*p) {
    if (*p != '%') {
      sink.put(*p++);
      continue;
    }
    const char* start = p++;
    Spec spec;
    p = parseSpec(p, spec, args);
    const char conversion = *p;
    if (conversion == 0) {
      sink.put(std::string_view(start, static_cast<std::size_t>(p - start)));
      break;
    }
    ++p;
    switch (conversion) {
      case '%':
        sink.put('%');
        break;
      case 'd':
      case 'i':
        formatSigned(sink, spec, conversion, args);
        break;
      case 'u':
      case 'o':
      case 'x':
      case 'X':
        formatUnsigned(sink, spec, conversion, args);
        break;
      case 'p': {
        Spec pointer = spec;
        pointer.precision = 16;
        pointer.alternate = false;
        formatInteger(sink, pointer, 'X', reinterpret_cast<uintptr_t>(va_arg(args.list, void*)), false);
        break;
      }
      case 'c':
      case 'C': {
        const int value = va_arg(args.list, int);
        if ((conversion == 'C' && !spec.narrow) || spec.wide) {
          const char16_t unit = static_cast<char16_t>(value);
          Spec field;
          field.left = spec.left;
          field.width = spec.width;
          if (!formatWideText(sink, field, &unit, 1)) {
            return false;
          }
        } else {
          const char byte = static_cast<char>(value);
          emitField(sink, spec, {}, std::string_view(&byte, 1), false);
        }
        break;
      }
      case 's':
      case 'S':
        if ((conversion == 'S' && !spec.narrow) || spec.wide) {
          const auto* text = va_arg(args.list, const char16_t*);
          if (!formatWideText(sink, spec, text, wideLength(text))) {
            return false;
          }
        } else {
          formatNarrowText(sink, spec, va_arg(args.list, const char*));
        }
        break;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        formatFloat(sink, spec, conversion, va_arg(args.list, double));
        break;
      default:
        // Unknown conversions, and "%n", which would write through an argument, are text.
        sink.put(std::string_view(start, static_cast<std::size_t>(p - start)));
        break;
    }
  }
  sink.terminate();
  return true;
}
