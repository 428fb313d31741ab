#include "host/system/SystemParameters.h"

#include "foundation/bytes/ByteReader.h"
#include "foundation/bytes/ByteWriter.h"

namespace {

ParseError readError(SystemParameterRead what, std::size_t offset) {
  ParseError error("parameter file ends early", offset);
  error.code = what;
  error.truncated = true;
  return error;
}

}  // namespace

Parsed<SystemParameters> parseSystemParameters(std::span<const uint8_t> bytes) {
  ByteReader in(bytes);
  SystemParameters out;
  if (!in.has(4)) return readError(kReadCount, in.offset());
  const uint32_t integers = in.u32be();
  if (!in.fits(integers, 4)) return readError(kReadInteger, in.offset());
  out.integers.resize(integers);
  for (int32_t& value : out.integers) value = in.i32be();
  if (!in.has(4)) return readError(kReadCount, in.offset());
  const uint32_t strings = in.u32be();
  // Each string takes at least its length word.
  if (!in.fits(strings, 4)) return readError(kReadCount, in.offset());
  out.strings.resize(strings);
  for (std::u16string& text : out.strings) {
    if (!in.has(4)) return readError(kReadCount, in.offset());
    const uint32_t units = in.u32be();
    if (!in.fits(units, 2)) return readError(kReadString, in.offset());
    text.reserve(units);
    bool cut = false;
    for (uint32_t i = 0; i < units; ++i) {
      const char16_t unit = char16_t(in.u16be());
      cut = cut || unit == u'\0';
      if (!cut) text.push_back(unit);
    }
  }
  return out;
}

const char* systemParameterReadTag(int code) {
  switch (code) {
    case kReadInteger: return "File::readI32";
    case kReadString: return "File::readString";
    default: return "File::readU32";
  }
}

std::vector<uint8_t> writeSystemParameters(const SystemParameters& parameters) {
  ByteWriter out;
  out.u32be(uint32_t(parameters.integers.size()));
  for (int32_t value : parameters.integers) out.u32be(uint32_t(value));
  out.u32be(uint32_t(parameters.strings.size()));
  for (const std::u16string& text : parameters.strings) {
    const std::size_t units = text.find(u'\0') == std::u16string::npos ? text.size()
                                                                        : text.find(u'\0');
    out.u32be(uint32_t(units));
    for (std::size_t i = 0; i < units; ++i) out.u16be(text[i]);
  }
  return out.release();
}
