#pragma once

#include <string>

namespace platform {

// Path queries and directory creation over the file system's byte paths.
enum class PathKind { Missing, Directory, Other };

PathKind pathKind(const std::string& path);

// Creates one directory (mode 0777 less the umask). True when it exists as a directory
// afterwards, also when another process created it first; false when the parent is missing or
// the name is taken by something that is not a directory.
bool makeDirectory(const std::string& path);

}  // namespace platform
