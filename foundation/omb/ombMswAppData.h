#pragma once

#include <string>
#include <string_view>

// The file names of the platform module without the 260-unit limit of their public forms
// (ombMsw.h): a Linux data folder can be deeper than that, and a cut name would name another
// file.

// The program's file name (after the last "/" or backslash), less a trailing ".exe" (any case).
std::u16string ombMswProgramBaseName(std::u16string_view programPath);
// "//<localappdata>/" + the running executable's base name + "." + extension.
std::u16string ombMswAppDataFileName(const char16_t* extension);
// The settings file's native path.
std::u16string ombMswIniFileName();
