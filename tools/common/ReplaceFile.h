#pragma once

// Shared by the fixture tools: writes an output file so that a failed run never leaves a
// partial file in place of a good one.

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>

namespace tools {

// An output written to "<path>.tmp" piece by piece and renamed over path by commit(). A
// failure says "<tool>: cannot write <file>" on standard error once; the temporary is removed
// unless the file was committed.
class ReplacingFile {
 public:
  ReplacingFile(const char* tool, std::string path)
      : tool_(tool), path_(std::move(path)), temporary_(path_ + ".tmp") {
    file_ = std::fopen(temporary_.c_str(), "wb");
    ok_ = file_ != nullptr;
  }
  ~ReplacingFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!committed_) std::remove(temporary_.c_str());
  }
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  void write(const void* bytes, std::size_t size) {
    if (ok_ && size != 0) ok_ = std::fwrite(bytes, 1, size, file_) == size;
  }
  // Rewrites bytes already written (a header whose sizes are known at the end).
  void writeAt(long offset, const void* bytes, std::size_t size) {
    if (ok_) ok_ = std::fseek(file_, offset, SEEK_SET) == 0;
    write(bytes, size);
    if (ok_) ok_ = std::fseek(file_, 0, SEEK_END) == 0;
  }
  bool commit() {
    if (file_ != nullptr) {
      ok_ = std::fclose(file_) == 0 && ok_;
      file_ = nullptr;
    }
    if (ok_ && std::rename(temporary_.c_str(), path_.c_str()) == 0) {
      committed_ = true;
      return true;
    }
    std::fprintf(stderr, "%s: cannot write %s\n", tool_, path_.c_str());
    return false;
  }

 private:
  const char* tool_;
  std::string path_, temporary_;
  std::FILE* file_ = nullptr;
  bool ok_ = false;
  bool committed_ = false;
};

// The whole file at once.
inline bool replaceFile(const char* tool, const std::string& path, const void* bytes, std::size_t size) {
  ReplacingFile file(tool, path);
  file.write(bytes, size);
  return file.commit();
}

}  // namespace tools
