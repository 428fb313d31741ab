// Writes the seeds of the archive index target: archives made by the fixture packer
// (tools/archive) with no entry, one, several with names of every length class and an empty
// entry, descrambled as the target takes them.
//   fuzz_omb_archive_seeds FOLDER

#include "foundation/omb/file/ombFileScramble.h"
#include "tools/archive/ArchiveWriter.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  auto bytes = [](const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); };
  const std::vector<std::vector<ArchiveEntry>> archives = {
      {},
      {{u"a.txt", bytes("alpha")}},
      {{u"data/model.l3d", bytes(std::string(300, 'm'))},
       {u"empty", {}},
       {u"scripts/\u30b2\u30fc\u30e0.cnut", bytes("code")},
       {u"A.TXT", bytes("upper")}},
  };
  int index = 0;
  for (const auto& entries : archives) {
    std::vector<uint8_t> archive = buildArchive(entries);
    ombFileScramble(archive.data(), archive.size(), 0);
    writeFileAtomically(std::string(argv[1]) + "/archive" + std::to_string(index++), archive);
  }
  return 0;
}
