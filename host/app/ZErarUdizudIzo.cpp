#include "host/app/ZErarUdizudIzo.h"

#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMsw.h"
#include "foundation/omb/ombSpinlock.h"
#include "platform/text/Cp932.h"
#include "platform/text/Cp932LeadByte.h"

std::u16string debugLogText(std::string_view bytes) {
  const size_t end = bytes.find('\0');
  if (end != std::string_view::npos) bytes = bytes.substr(0, end);
  // Cut between characters only: the original cut at the byte limit and could leave a lead byte
  // whose trail byte was dropped, which garbled the end of the line.
  size_t length = 0;
  while (length < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[length]);
    const size_t width = platform::cp932IsLeadByte(b) && length + 1 < bytes.size() ? 2 : 1;
    if (length + width > ZErarUdizudIzo::kLineLimit) break;
    length += width;
  }
  std::u16string text;
  text.reserve(length);
  for (size_t i = 0; i < length;) {
    char16_t unit = 0;
    const size_t used = platform::cp932DecodeChar(bytes.substr(i, length - i), unit);
    text += used ? unit : u'\uFFFD';
    i += used ? used : 1;
  }
  return text;
}

int64_t ZErarUdizudIzo::Write(const void* bytes, size_t n) {
  const std::u16string text =
      debugLogText(std::string_view(static_cast<const char*>(bytes), n));
  OmbSpinLockHold hold(ombLogLock());
  if (OMB_FILE* file = ombMswGetLogFile()) {
    uint32_t count = 0;
    ombFileWriteText(file, &count, text.c_str(), static_cast<uint32_t>(text.size()));
  }
  return static_cast<int64_t>(n);
}
