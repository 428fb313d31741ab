#include "platform/kernel/IniFile.h"

#include "platform/kernel/NativeFile.h"
#include "platform/text/Utf8.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>

namespace platform {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::mutex& profileMutex() {
  static std::mutex mutex;
  return mutex;
}

bool isBlank(char16_t unit) {
  return unit == u' ' || unit == u'\t';
}

std::u16string_view trim(std::u16string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

char16_t foldAscii(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit;
}

bool equalNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}

// The section name of a "[name]" line (up to "]" or the end of the line), or nothing.
std::optional<std::u16string> sectionName(const std::string& line) {
  const std::u16string text = utf8ToUtf16(line);
  const std::u16string_view body = trim(text);
  if (body.empty() || body.front() != u'[') return std::nullopt;
  const std::u16string_view inner = body.substr(1);
  return std::u16string(trim(inner.substr(0, inner.find(u']'))));
}

// The key and the raw value of a "key=value" line, or nothing.
std::optional<std::pair<std::u16string, std::u16string>> keyLine(const std::string& line) {
  const std::u16string text = utf8ToUtf16(line);
  const std::u16string_view body = trim(text);
  const std::size_t equals = body.find(u'=');
  if (body.empty() || body.front() == u';' || body.front() == u'[' ||
      equals == std::u16string_view::npos) {
    return std::nullopt;
  }
  return std::pair{std::u16string(trim(body.substr(0, equals))),
                   std::u16string(trim(body.substr(equals + 1)))};
}

bool isBlankLine(const std::string& line) {
  return line.find_first_not_of(" \t") == std::string::npos;
}

bool hasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// Names that could not be read back as written: a line break would split the line (and could
// forge keys or sections), "]" ends a section name, "=" ends a key, and a key beginning with ";"
// or "[" reads as a comment or a section.
bool isWritable(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  const std::u16string_view name = trim(key);
  return !hasLineBreak(section) && !hasLineBreak(key) && !hasLineBreak(value) &&
         section.find(u']') == std::u16string_view::npos && !name.empty() &&
         name.front() != u';' && name.front() != u'[' &&
         name.find(u'=') == std::u16string_view::npos;
}

enum class ReadResult { Read, Missing, Failed };

ReadResult readWhole(const std::string& path, std::string* bytes) {
  NativeFile file;
  if (!file.open(path, NativeFile::Access::Read, NativeFile::Creation::OpenExisting)) {
    return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
  }
  char chunk[4096];
  for (;;) {
    const int64_t got = file.read(chunk, sizeof chunk);
    if (got < 0) return ReadResult::Failed;
    if (got == 0) return ReadResult::Read;
    bytes->append(chunk, static_cast<std::size_t>(got));
  }
}

// Writes the bytes to a new file beside the target and renames it over the target.
bool replaceFile(const std::string& target, const std::string& bytes) {
  static std::atomic<unsigned> counter{0};
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    ok = put > 0;
    if (ok) done += static_cast<std::size_t>(put);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && std::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

}  // namespace

IniFile IniFile::parse(std::string_view bytes) {
  IniFile ini;
  if (bytes.starts_with(kByteOrderMark)) {
    ini.byteOrderMark_ = true;
    bytes.remove_prefix(kByteOrderMark.size());
  }
  bool newLineSeen = false;
  while (!bytes.empty()) {
    const std::size_t stop = bytes.find_first_of("\r\n");
    Line line{std::string(bytes.substr(0, stop)), {}};
    if (stop != std::string_view::npos) {
      const std::size_t endLength = bytes.substr(stop).starts_with("\r\n") ? 2 : 1;
      line.end = std::string(bytes.substr(stop, endLength));
      if (!newLineSeen) {
        ini.newLine_ = line.end;
        newLineSeen = true;
      }
      bytes.remove_prefix(stop + endLength);
    } else {
      bytes = {};
    }
    ini.lines_.push_back(std::move(line));
  }
  return ini;
}

std::optional<IniFile::Range> IniFile::findSection(std::u16string_view section) const {
  const std::u16string_view wanted = trim(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = sectionName(lines_[i].text);
    if (!name || !equalNoCase(*name, wanted)) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && !sectionName(lines_[end].text)) ++end;
    return Range{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> IniFile::findKey(const Range& range, std::u16string_view key) const {
  const std::u16string_view wanted = trim(key);
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    const auto entry = keyLine(lines_[i].text);
    if (entry && equalNoCase(entry->first, wanted)) return i;
  }
  return std::nullopt;
}

std::optional<std::u16string> IniFile::find(std::u16string_view section,
                                            std::u16string_view key) const {
  const auto range = findSection(section);
  const auto at = range ? findKey(*range, key) : std::nullopt;
  if (!at) return std::nullopt;
  std::u16string value = keyLine(lines_[*at].text)->second;
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

void IniFile::insertLine(std::size_t at, std::string text) {
  // The line before the new one may have been the file's last, without a line end.
  if (at > 0 && lines_[at - 1].end.empty()) lines_[at - 1].end = newLine_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), newLine_});
}

void IniFile::set(std::u16string_view section, std::u16string_view key,
                  std::u16string_view value) {
  std::string line = utf16ToUtf8(trim(key)) + "=" + utf16ToUtf8(value);
  const auto range = findSection(section);
  if (!range) {
    insertLine(lines_.size(), "[" + utf16ToUtf8(trim(section)) + "]");
    insertLine(lines_.size(), std::move(line));
    return;
  }
  if (const auto at = findKey(*range, key)) {
    lines_[*at].text = std::move(line);
    return;
  }
  // After the section's last non-blank line, so blank lines before the next section stay there.
  std::size_t at = range->end;
  while (at > range->header + 1 && isBlankLine(lines_[at - 1].text)) --at;
  insertLine(at, std::move(line));
}

std::string IniFile::bytes() const {
  std::string out = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
  for (const Line& line : lines_) {
    out += line.text;
    out += line.end;
  }
  return out;
}

uint32_t getPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                 const char16_t* defaultValue, char16_t* destination,
                                 uint32_t capacity, const std::string& path) {
  if (capacity == 0) return 0;
  std::optional<std::u16string> value;
  {
    std::lock_guard<std::mutex> hold(profileMutex());
    std::string bytes;
    if (readWhole(path, &bytes) == ReadResult::Read) {
      value = IniFile::parse(bytes).find(section, key);
    }
  }
  if (!value) {
    std::u16string_view fallback = defaultValue ? defaultValue : u"";
    while (!fallback.empty() && isBlank(fallback.back())) fallback.remove_suffix(1);
    value = std::u16string(fallback);
  }
  const std::size_t length = value->size() < capacity - 1 ? value->size() : capacity - 1;
  value->copy(destination, length);
  destination[length] = 0;
  return static_cast<uint32_t>(length);
}

int32_t getPrivateProfileInt(std::u16string_view section, std::u16string_view key,
                             int32_t defaultValue, const std::string& path) {
  std::optional<std::u16string> value;
  {
    std::lock_guard<std::mutex> hold(profileMutex());
    std::string bytes;
    if (readWhole(path, &bytes) == ReadResult::Read) {
      value = IniFile::parse(bytes).find(section, key);
    }
  }
  if (!value) return defaultValue;
  std::u16string_view text = *value;
  const bool negative = !text.empty() && text.front() == u'-';
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) text.remove_prefix(1);
  uint32_t number = 0;
  for (const char16_t unit : text) {
    if (unit < u'0' || unit > u'9') break;
    number = number * 10u + static_cast<uint32_t>(unit - u'0');
  }
  return static_cast<int32_t>(negative ? 0u - number : number);
}

bool writePrivateProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view value, const std::string& path) {
  if (!isWritable(section, key, value)) return false;
  std::lock_guard<std::mutex> hold(profileMutex());
  const std::string target = NativeFile::findExisting(path).value_or(path);
  std::string bytes;
  if (readWhole(target, &bytes) == ReadResult::Failed) return false;
  IniFile ini = IniFile::parse(bytes);
  ini.set(section, key, value);
  return replaceFile(target, ini.bytes());
}

}  // namespace platform
