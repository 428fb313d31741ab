#include "platform/module/FileSearch.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace platform {

std::vector<FoundFile> findFiles(const std::string& pattern) {
  const size_t slash = pattern.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);

  std::vector<FoundFile> found;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return found;
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (::fnmatch(mask.c_str(), name, FNM_CASEFOLD) != 0) continue;
    // The entry type is not filled in by every file system; stat answers for those, and for
    // symbolic links it tells what they point to.
    const std::string path = directory + name;
    struct stat info;
    const bool isDirectory = ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    found.push_back({name, isDirectory});
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end(),
            [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
  return found;
}

}  // namespace platform
