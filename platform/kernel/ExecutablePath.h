#pragma once

#include <string>

namespace platform {

// Full path of the running executable (symbolic links resolved), in the file system's bytes;
// empty when the system does not tell.
std::string executablePath();

}  // namespace platform
