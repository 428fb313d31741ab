#include "foundation/dbtl/DCp932Text.h"
#include "foundation/startup/WinMain.h"
#include "platform/text/Cp932LeadByte.h"

namespace {

bool needsSection(const std::string& argument) {
  return argument.find_first_of(" \t\"") != std::string::npos;
}

// Writes one argument so that the parser reads it back unchanged. Leading quote characters are
// written as doubled quotes outside a section (a section may not begin with a quote: two quotes
// right after a space read as one literal quote). The rest, when it holds a blank or a quote,
// goes into one quoted section with its quotes doubled; there a doubled quote stays a literal
// quote and the section goes on, up to the closing quote before the next blank.
void appendArgument(std::string& line, const std::string& argument) {
  size_t start = 0;
  while (start < argument.size() && argument[start] == '"') {
    line += "\"\"";
    ++start;
  }
  const std::string rest = argument.substr(start);
  if (!needsSection(rest)) {
    line += rest;
    return;
  }
  line += '"';
  for (size_t i = 0; i < rest.size(); ++i) {
    const auto byte = static_cast<unsigned char>(rest[i]);
    if (platform::cp932IsLeadByte(byte) && i + 1 < rest.size()) {
      line += rest[i];
      line += rest[++i];
    } else if (rest[i] == '"') {
      line += "\"\"";
    } else {
      line += rest[i];
    }
  }
  line += '"';
}

}  // namespace

std::string startupCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr || argv[i][0] == '\0') continue;
    if (!line.empty()) line += ' ';
    appendArgument(line, dbtl::DCp932FromUtf8(argv[i]));
  }
  return line;
}
