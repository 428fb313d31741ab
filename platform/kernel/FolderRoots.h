#pragma once

#include <string>

namespace platform {

// The folders behind the framework's path roots: "<tmp>" is $TMPDIR (default /tmp),
// "<localappdata>" $XDG_DATA_HOME (default ~/.local/share) and "<userappdata>" $XDG_CONFIG_HOME
// (default ~/.config). A variable that is empty or not an absolute path is ignored, as the XDG
// rules say.
enum class FolderRoot { Temporary, LocalAppData, RoamingAppData };

// The folder's path in the file system's bytes. The two application-data folders are created
// (with their parents) when missing; a folder that cannot be created is still returned.
std::string folderRoot(FolderRoot root);

}  // namespace platform
