#pragma once

#include <cstdint>

// Directory creation.
enum class OmbMakeParents { No, Yes };

// Makes the native directory, with its missing parents when asked. True when the path is a
// directory afterwards; a path, or a parent, that exists as anything but a directory is a
// failure. A path with two leading separators keeps its "//server/share/" prefix untouched.
bool ombMakeDirectory(const char16_t* native, OmbMakeParents parents);

// Resolves the framework path against the base directory, expands it and makes it with its
// parents, under the file lock: 1, or OMB_ERR_NOT_WRITABLE when any level cannot be made.
int32_t ombFileMakeDirectory(const char16_t* path);
