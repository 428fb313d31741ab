#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A drawn frame as a BMP against the reviewed picture kept beside the tests: every byte after
// the 54-byte header must match. When the environment variable `writeVariable` is set the
// picture is first written as the new golden file (on purpose only), under a private name that
// is renamed into place, so a parallel reader never sees half a file.
void expectGoldenPicture(const std::vector<uint8_t>& picture, const std::string& goldenPath,
                         const char* writeVariable);
