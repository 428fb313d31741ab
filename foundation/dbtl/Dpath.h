#pragma once

#include "foundation/dbtl/DString.h"

#include <cstdint>

namespace dbtl {

// Path buffers of the base library: 263 characters and the terminator. Every Dpath function
// cuts what it writes to 263 bytes, at a character boundary, and terminates it.
constexpr uint32_t DPATH_BUFFER_SIZE = 264;
constexpr uint32_t DPATH_MAX_LENGTH = DPATH_BUFFER_SIZE - 1;

// Texts are 8-bit code page 932; a null text reads as an empty one. Output buffers hold
// DPATH_BUFFER_SIZE bytes; a null output is not written (and a null buffer is left alone). Paths come out with '/' as the
// separator, and a two-byte character is never split, nor its trail byte taken for '\\'.

// Splits a path into its directory (every component followed by '/', so empty or ending with
// '/'), the name before the last '.', and the extension after it (without the dot).
void DpathSplit(const char* path, char* dir, char* name, char* ext);
// As DpathSplit, without the extension; a directory that begins with one single-byte
// character and ':' gives those two as the drive and the rest as the directory.
void DpathSplitDrive(const char* path, char* drive, char* dir, char* name);
// dir, a '/' when dir does not end with one, name, and '.' ext when ext is not empty; every
// backslash then becomes '/'. out may be one of the inputs.
void DpathMake(char* out, const char* dir, const char* name, const char* ext);
// buffer becomes dir followed by its old text (no separator added); a null dir changes nothing.
void DpathPrependDir(const char* dir, char* buffer);
// Resolves relative against the directory base: "." and ".." segments climb, a path with a
// root or another drive wins. See DpathCombine.cpp for the rules.
DString DpathCombine(const char* relative, const char* base);
// Replaces every single-byte backslash by '/' in place.
void DpathToSlash(char* text);
// True when the path names an existing regular file (found as the disk lookup finds it).
bool DpathIsFile(const char* path);

namespace detail {

// Copies whole characters of src while they fit in limit bytes, terminates dst, and returns
// the bytes copied. dst and src must not overlap.
uint32_t DpathCopyBounded(char* dst, const char* src, uint32_t limit);
// Appends whole characters of src to the text of length *length in dst, up to limit bytes.
void DpathAppendBounded(char* dst, uint32_t* length, const char* src, uint32_t limit);

}  // namespace detail

}  // namespace dbtl
