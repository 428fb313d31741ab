#pragma once

#include <cstdint>

// Framework paths: UTF-16, "/" as separator, relative to the executable's directory or rooted:
//   "//<tmp>/rest", "//<localappdata>/rest", "//<userappdata>/rest"  the temporary, local and
//       roaming application-data folders ($TMPDIR, $XDG_DATA_HOME, $XDG_CONFIG_HOME), each
//       followed by the application's sub-directory; the root names ignore ASCII case;
//   "//<any other name>/rest"   the executable's directory and the sub-directory;
//   "//C:/rest"                 a drive, written "C:/rest";
//   "//host/rest"               a network share, written "//host/rest";
//   "/rest"                     the file system's root.
// Native paths are this system's, with "/" as separator; the backslash, a separator in data
// written for Windows, is taken as one too.
//
// Every builder writes at most capacity - 1 units and a terminator and returns the full length
// the output needs (without the terminator). Functions that read the application's
// sub-directory or the base directory expect the caller to hold the file lock.

uint32_t ombPathToNative(char16_t* destination, uint32_t capacity, const char16_t* path);
uint32_t ombPathFromNative(char16_t* destination, uint32_t capacity, const char16_t* native);
// Resolves leading ".", ".." and "..." steps of a relative path against the base (null: the base
// directory), clamped at the base's root; a path beginning with "/" is copied unchanged.
uint32_t ombPathResolve(char16_t* destination, const char16_t* base, uint32_t capacity,
                        const char16_t* path);
// directory + "/" (unless it ends with one) + name + "." (unless the extension has one) + extension;
// null or empty parts are left out.
uint32_t ombPathMake(uint32_t capacity, char16_t* destination, const char16_t* directory,
                     const char16_t* name, const char16_t* extension);

// Units of the destination of ombPathGetDirectory.
inline constexpr uint32_t OMB_PATH_DIRECTORY_CAPACITY = 128;
// The path up to and including its last "/" (empty when none), cut to 127 units; returns the
// number of units written.
uint32_t ombPathGetDirectory(char16_t* destination, const char16_t* path);
// Replaces the last dot-separated part of the file name by the extension (given with or without
// its "."); a null or empty extension only removes it. A name without "." stays whole.
uint32_t ombPathChangeExtension(const char16_t* path, char16_t* destination, uint32_t capacity,
                                const char16_t* extension);
