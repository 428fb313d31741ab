#pragma once

#include <cstdint>
#include <map>
#include <string>

// The game's pack as the sound layer's tests see it: an override of the pack registry that
// serves named files from fixture paths, registered with the unnamed pack for the life of the
// object. Names are matched exactly; every existence test is recorded.
namespace soundtest {

// A fixture file name of the running test's own: CTest runs the tests of one program in
// parallel processes, which must not rewrite each other's files.
std::string Unique(const std::string& name);

class SoundPack {
 public:
  SoundPack();
  ~SoundPack();
  SoundPack(const SoundPack&) = delete;
  SoundPack& operator=(const SoundPack&) = delete;

  int32_t pack() const { return pack_; }
  // The pack name `name` serves the file at `path`.
  void Put(const std::string& name, const std::string& path);
  // How often the pack was asked whether `name` exists.
  uint32_t Queries(const std::string& name) const;

 private:
  int32_t pack_ = 0;
};

}  // namespace soundtest
