#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileHandle.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/text/ombUtf8.h"

namespace {

const uint8_t kByteOrderMark[3] = {0xEF, 0xBB, 0xBF};
const uint8_t kLineEnd[2] = {'\r', '\n'};

bool isLineBreak(char16_t unit) {
  return unit == u'\n' || unit == u'\r';
}

bool isHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool put(OMB_FILE* file, const void* bytes, uint32_t n) {
  uint32_t written = 0;
  return _ombFileWrite(bytes, file, &written, n) >= 0 && written == n;
}

}  // namespace

int32_t ombFileWriteText(OMB_FILE* file, uint32_t* count, const char16_t* text, uint32_t units) {
  *count = 0;
  platform::RecursiveMutexHold hold(ombFileLock());
  // The mark goes where the file begins; a file position of 1 or 2 gets the rest of it.
  const uint64_t at = file->windowOffset + file->position + file->bufferedCount;
  if (at < sizeof kByteOrderMark &&
      !put(file, kByteOrderMark + at, static_cast<uint32_t>(sizeof kByteOrderMark - at))) {
    return OMB_ERR_IO;
  }
  for (uint32_t i = 0; i < units && text[i] != 0; ++i) {
    const char16_t unit = text[i];
    bool written = false;
    if (isLineBreak(unit)) {
      // CR LF and LF CR are one line end; CR CR and LF LF are two.
      if (i + 1 < units && isLineBreak(text[i + 1]) && text[i + 1] != unit) {
        ++i;
      }
      written = put(file, kLineEnd, sizeof kLineEnd);
    } else {
      // A surrogate pair is handed to the encoder whole: one half alone would become U+FFFD.
      char16_t character[3] = {unit, 0, 0};
      if (isHighSurrogate(unit) && i + 1 < units && isLowSurrogate(text[i + 1])) {
        character[1] = text[++i];
      }
      char bytes[8];
      const uint32_t length = ombStrUtf16ToUtf8(bytes, sizeof bytes, nullptr, character);
      written = put(file, bytes, length);
    }
    if (!written) {
      return OMB_ERR_IO;
    }
    ++*count;
  }
  file->flags |= OMB_FILE_FLAG_TEXT;
  return OMB_OK;
}
