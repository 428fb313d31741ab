#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes resource archives as the runtime reads them (ombFileArchiveIndex.h): the "AAFC" header,
// the index of UTF-16 names and sizes, the data back to back, and the whole file scrambled by
// position. Names are kept as given (the runtime lower-cases them when it registers the
// archive), duplicates included, in the order given.
struct ArchiveEntry {
  std::u16string name;
  std::vector<uint8_t> data;
};

// The archive's bytes, scrambled.
std::vector<uint8_t> buildArchive(const std::vector<ArchiveEntry>& entries);

// Every regular file under the directory, named by its path relative to it with "/" separators,
// in byte order of the names. Throws std::runtime_error, with a text naming the path, when the
// directory or a file cannot be read or the directory holds no file.
std::vector<ArchiveEntry> entriesFromDirectory(const std::string& directory);

// One entry a line: "name" (the file of that name beside the list) or "name<TAB>source" (a path
// relative to the list's folder, or absolute). Blank lines and lines beginning with "#" are
// skipped. Throws std::runtime_error, with a text naming the path (and the list's line), when the
// list or a source cannot be read, a line has no name or source, or the list names no entry.
std::vector<ArchiveEntry> entriesFromList(const std::string& listPath);

// Writes the bytes to a temporary file beside the path and renames it over the path. Throws
// std::runtime_error on failure.
void writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);
