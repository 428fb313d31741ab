// Feeds arbitrary text to the group-file reader: lead bytes before line ends, unclosed quotes,
// backslashes at the end of a line, overlong words and keys. The sanitizers watch the scanners;
// the checks hold the reader to its bounds on names and counts.

#include "foundation/text/l3dText.h"
#include "sound/group/SeGroupFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SeGroupFile file = SeGroupFile::parse({data, size});
  require(file.defaults().count >= 0);
  const uint32_t sounds = file.soundCount() < 16 ? file.soundCount() : 16;
  for (uint32_t n = 0; n < sounds; ++n) {
    const SeGroupSound sound = file.sound(n);
    require(sound.name.size() <= 263);
    require(sound.settings.count >= 0);
    require((sound.settings.flags & ~15u) == 0);
  }
  // The one-pass section reader agrees with the reader by number, and lists each number once,
  // in ascending order.
  bool first = true;
  uint32_t previous = 0;
  for (const auto& [n, sound] : file.sectionSounds()) {
    require(first || n > previous);
    first = false;
    previous = n;
    const SeGroupSound single = file.sound(n);
    require(single.name == sound.name && single.settings == sound.settings);
  }
  // The token reader in place over the whole text, as the renderer's text functions use it.
  std::string text(reinterpret_cast<const char*>(data), size);
  char ender = l3dTextReadToken(text.data(), static_cast<uint32_t>(text.size() + 1), text.data());
  require(ender == '\0' || ender == '\r' || ender == '\n');
  return 0;
}
