#include "foundation/dbtl/DApplication.h"
#include "foundation/dbtl/DSizeMath.h"
#include "platform/text/Cp932LeadByte.h"

#include <cstring>
#include <string>

namespace dbtl {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Copies the character at p (a lead byte takes its trail byte along, so a trail byte equal to a
// blank or a quote never ends an argument or opens a section) and returns the byte after it.
const char* copyCharacter(const char* p, std::string& argument) {
  if (platform::cp932IsLeadByte(static_cast<unsigned char>(p[0])) && p[1] != '\0') {
    argument.append(p, 2);
    return p + 2;
  }
  argument.push_back(p[0]);
  return p + 1;
}

// One argument from p, which is not a blank or the end; returns the byte after it.
const char* parseArgument(const char* p, std::string& argument) {
  bool quoted = false;
  while (*p != '\0') {
    if (*p == '"') {
      if (p[1] == '"') {
        argument.push_back('"');
        p += 2;
      } else {
        quoted = !quoted;
        ++p;
      }
      continue;
    }
    if (!quoted && isBlank(*p)) break;
    p = copyCharacter(p, argument);
  }
  return p;
}

}  // namespace

uint32_t DApplication::_ParseCommandLine(const char* text) {
  if (text == nullptr) return 0;
  uint32_t count = 0;
  std::string argument;
  argument.reserve(std::strlen(text) + 1);
  for (const char* p = text;;) {
    while (isBlank(*p)) ++p;
    if (*p == '\0') break;
    argument.clear();
    p = parseArgument(p, argument);
    rcptr<char> copy;
    const size_t size = DSizeAdd(argument.size(), 1);
    if (size > UINT32_MAX) DThrowBadAlloc();
    copy.Create(static_cast<uint32_t>(size));
    std::memcpy(copy.Get(), argument.c_str(), size);
    m_arguments.PushBack(copy);
    ++count;
  }
  return count;
}

}  // namespace dbtl
