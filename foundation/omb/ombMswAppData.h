#pragma once

#include <string>

// The file names of the platform module without the 260-unit limit of their public forms
// (ombMsw.h): a Linux data folder can be deeper than that, and a cut name would name another
// file.

// The executable's file name, less a trailing ".exe" (any case).
std::u16string ombMswExecutableName();
// "//<localappdata>/" + ombMswExecutableName() + "." + extension.
std::u16string ombMswAppDataFileName(const char16_t* extension);
// The settings file's native path.
std::u16string ombMswIniFileName();
