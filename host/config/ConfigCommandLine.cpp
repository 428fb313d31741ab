#include "host/config/ConfigCommandLine.h"

#include "foundation/dbtl/DApplication.h"
#include "foundation/omb/text/ombString.h"
#include "foundation/omb/text/ombToken.h"
#include "platform/kernel/ExecutablePath.h"
#include "platform/text/Cp932.h"
#include "platform/text/Utf8.h"

#include <cstdlib>
#include <string>

namespace {

constexpr uint32_t kTokenCapacity = 129;

// Reads the next token; false at the end of the text.
bool nextToken(const char16_t*& position, char16_t (&token)[kTokenCapacity]) {
  position = ombStrSkipBlank(position);
  if (*position == 0) return false;
  const char16_t* end = ombStrGetToken(kTokenCapacity, token, position, nullptr);
  // A text the tokenizer cannot take a step over (a lone delimiter) is skipped by one unit.
  position = end != position ? end : position + 1;
  return true;
}

// The number as the system's wide unsigned 64-bit parser reads it with base 0: 0 when the token
// holds no number.
uint64_t pipeNumber(const char16_t* token) {
  std::string ascii;
  for (const char16_t* p = token; *p != 0; ++p) ascii += *p < 0x80 ? static_cast<char>(*p) : '?';
  return std::strtoull(ascii.c_str(), nullptr, 0);
}

void readPipes(const char16_t*& position, LaunchChoice& choice) {
  char16_t token[kTokenCapacity];
  if (nextToken(position, token)) choice.loungeInput = pipeNumber(token);
  if (nextToken(position, token)) choice.loungeOutput = pipeNumber(token);
}

std::u16string quoted(const std::u16string& argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\"\\") == std::u16string::npos) {
    return argument;
  }
  std::u16string out = u"\"";
  for (const char16_t c : argument) {
    if (c == u'"' || c == u'\\') out += u'\\';
    out += c;
  }
  return out + u"\"";
}

}  // namespace

LaunchChoice configParseCommandLine(const char16_t* commandLine) {
  LaunchChoice choice;
  const char16_t* position = commandLine ? commandLine : u"";
  char16_t token[kTokenCapacity];
  while (nextToken(position, token)) {
    if (ombStrIsEqual(token, u"--adjuster")) {
      choice.mode = LaunchMode::Adjuster;
      readPipes(position, choice);
    } else if (ombStrIsEqual(token, u"--adjusterconfig")) {
      choice.mode = LaunchMode::AdjusterConfig;
    } else if (ombStrIsEqual(token, u"--lounge")) {
      choice.mode = LaunchMode::Lounge;
      readPipes(position, choice);
    } else if (ombStrIsEqual(token, u"--netconfig")) {
      choice.mode = LaunchMode::NetConfig;
    }
  }
  return choice;
}

std::u16string configCommandLine() {
  std::u16string line = quoted(platform::utf8ToUtf16(platform::executablePath()));
  dbtl::DApplication* application = dbtl::DApplication::GetPublished();
  if (!application) return line;
  dbtl::DList<char>& arguments = application->GetArguments();
  for (auto it = arguments.Begin(); it != arguments.End(); it = dbtl::DListBase::Next(it)) {
    const char* argument = dbtl::DList<char>::Get(it).Get();
    // The arguments were made from the system's UTF-8 as code page 932 text; every character
    // of them converts back.
    const auto wide = platform::cp932ToUtf16(argument);
    line += u' ';
    line += quoted(wide ? *wide : std::u16string(u"?"));
  }
  return line;
}
