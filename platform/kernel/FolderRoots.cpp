#include "platform/kernel/FolderRoots.h"

#include "platform/kernel/FileSystem.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {

namespace {

std::string absoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (!value || value[0] != '/') {
    return {};
  }
  return value;
}

std::string homeFolder() {
  std::string home = absoluteVariable("HOME");
  if (!home.empty()) {
    return home;
  }
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return "/tmp";
}

void makeDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    makeDirectory(path.substr(0, slash));
  }
  makeDirectory(path);
}

}  // namespace

std::string folderRoot(FolderRoot root) {
  if (root == FolderRoot::Temporary) {
    const std::string temporary = absoluteVariable("TMPDIR");
    return temporary.empty() ? "/tmp" : temporary;
  }
  const bool local = root == FolderRoot::LocalAppData;
  std::string folder = absoluteVariable(local ? "XDG_DATA_HOME" : "XDG_CONFIG_HOME");
  if (folder.empty()) {
    folder = homeFolder() + (local ? "/.local/share" : "/.config");
  }
  makeDirectories(folder);
  return folder;
}

}  // namespace platform
