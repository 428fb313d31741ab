#pragma once

#include <string>
#include <vector>

namespace platform {

// One entry of a directory that matched a search pattern.
struct FoundFile {
  std::string name;  // the entry's name, without the directory
  bool directory;
};

// The entries of one directory whose names match the last component of pattern: '*' stands
// for any run of characters, '?' for one, and letters match without regard to ASCII case, as
// the game's data (written for a case-blind file system) expect. "." and ".." are never
// returned. Entries come sorted by name in byte order, so a scan does not depend on the order
// in which the file system happens to keep them. Empty when the directory cannot be read.
std::vector<FoundFile> findFiles(const std::string& pattern);

}  // namespace platform
