#include "foundation/omb/text/ombFormatField.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace omb_format {

void emitField(Sink& sink, const Spec& spec, std::string_view prefix, std::string_view body,
               bool zeroPad) {
  const std::size_t length = prefix.size() + body.size();
  const std::size_t pad = spec.width > 0 && static_cast<std::size_t>(spec.width) > length
                              ? static_cast<std::size_t>(spec.width) - length
                              : 0;
  if (!spec.left && !zeroPad) {
    sink.fill(' ', pad);
  }
  sink.put(prefix);
  if (!spec.left && zeroPad) {
    sink.fill('0', pad);
  }
  sink.put(body);
  if (spec.left) {
    sink.fill(' ', pad);
  }
}

namespace {

// printf's %g: precision P (0 taken as 1) significant digits, fixed notation when the exponent X
// satisfies P > X >= -4, trailing zeros removed unless "#".
std::size_t formatGeneral(char* out, std::size_t size, double value, int precision, bool keepZeros) {
  const int p = precision == 0 ? 1 : precision;
  char probe[64];
  auto probed = std::to_chars(probe, probe + sizeof(probe), value, std::chars_format::scientific, p - 1);
  const char* e = static_cast<const char*>(std::memchr(probe, 'e', static_cast<std::size_t>(probed.ptr - probe)));
  // The probe is not terminated: the exponent is read only up to the end of what was written.
  int exponent = 0;
  if (e != nullptr) {
    const char* digits = e + 1 < probed.ptr && e[1] == '+' ? e + 2 : e + 1;
    std::from_chars(digits, probed.ptr, exponent);
  }
  std::to_chars_result result;
  if (p > exponent && exponent >= -4) {
    result = std::to_chars(out, out + size, value, std::chars_format::fixed, p - 1 - exponent);
  } else {
    result = std::to_chars(out, out + size, value, std::chars_format::scientific, p - 1);
  }
  std::size_t length = static_cast<std::size_t>(result.ptr - out);
  if (keepZeros) {
    return length;
  }
  const std::string_view text(out, length);
  const std::size_t point = text.find('.');
  if (point == std::string_view::npos) {
    return length;
  }
  std::size_t mantissaEnd = text.find('e');
  if (mantissaEnd == std::string_view::npos) {
    mantissaEnd = length;
  }
  std::size_t cut = mantissaEnd;
  while (cut > point + 1 && out[cut - 1] == '0') {
    --cut;
  }
  if (cut == point + 1) {
    cut = point;
  }
  std::memmove(out + cut, out + mantissaEnd, length - mantissaEnd);
  return cut + (length - mantissaEnd);
}

}  // namespace

void formatFloat(Sink& sink, const Spec& spec, char conversion, double value) {
  const bool upper = conversion >= 'A' && conversion <= 'Z';
  const char lower = static_cast<char>(upper ? conversion + 32 : conversion);
  const bool negative = std::signbit(value);
  const double magnitude = std::fabs(value);
  // Precision beyond this only adds zeros that no message of this program asks for; the bound
  // keeps the digits within the stack buffer.
  const int precision = spec.precision > 500 ? 500 : spec.precision;
  char body[900];
  std::size_t length = 0;
  const bool finite = std::isfinite(magnitude);
  if (!finite) {
    const char* word = std::isnan(magnitude) ? "nan" : "inf";
    length = 3;
    std::memcpy(body, word, 3);
  } else if (lower == 'f') {
    length = static_cast<std::size_t>(
        std::to_chars(body, body + sizeof(body), magnitude, std::chars_format::fixed,
                      precision < 0 ? 6 : precision).ptr - body);
  } else if (lower == 'e') {
    length = static_cast<std::size_t>(
        std::to_chars(body, body + sizeof(body), magnitude, std::chars_format::scientific,
                      precision < 0 ? 6 : precision).ptr - body);
  } else if (lower == 'g') {
    length = formatGeneral(body, sizeof(body), magnitude, precision < 0 ? 6 : precision,
                           spec.alternate);
  } else {
    const auto result = precision < 0
                            ? std::to_chars(body, body + sizeof(body), magnitude, std::chars_format::hex)
                            : std::to_chars(body, body + sizeof(body), magnitude,
                                            std::chars_format::hex, precision);
    length = static_cast<std::size_t>(result.ptr - body);
  }
  if (finite && spec.alternate && lower != 'g' &&
      std::memchr(body, '.', length) == nullptr && length + 1 < sizeof(body)) {
    // "#" keeps the decimal point: before the exponent, or at the end.
    const char* exponent = static_cast<const char*>(
        std::memchr(body, lower == 'a' ? 'p' : 'e', length));
    const std::size_t at = exponent && lower != 'f' ? static_cast<std::size_t>(exponent - body) : length;
    std::memmove(body + at + 1, body + at, length - at);
    body[at] = '.';
    ++length;
  }
  if (upper) {
    for (std::size_t i = 0; i < length; ++i) {
      if (body[i] >= 'a' && body[i] <= 'z') {
        body[i] = static_cast<char>(body[i] - 32);
      }
    }
  }
  char prefix[3] = {};
  std::size_t prefixLength = 0;
  if (negative) {
    prefix[prefixLength++] = '-';
  } else if (spec.plus) {
    prefix[prefixLength++] = '+';
  } else if (spec.space) {
    prefix[prefixLength++] = ' ';
  }
  if (lower == 'a' && finite) {
    prefix[prefixLength++] = '0';
    prefix[prefixLength++] = upper ? 'X' : 'x';
  }
  emitField(sink, spec, std::string_view(prefix, prefixLength), std::string_view(body, length),
            spec.zero && finite);
}

}  // namespace omb_format
