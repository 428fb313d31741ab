#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Whole files as bytes or text; a missing file reads as empty.
std::vector<uint8_t> readFileBytes(const std::filesystem::path& path);
std::string readFileText(const std::filesystem::path& path);

// Writes (replacing) a whole file, making its folders first.
void writeFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void writeFileText(const std::filesystem::path& path, std::string_view text);
