// Writes the models of the versus fixture match into a folder, with the test suite's model
// writer: "<player>/body.dgo" (a triangle with its extents, body and attack spheres and an
// animation "default") and "<player>/shot.dgo" (a bullet with its attack sphere and the
// animations "normal", "fadeout", "hit" and "erase") for each player directory named.
//
//   rond-match-models FOLDER PLAYER...

#include "testsupport/ModelSample.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

modelfile::Coll coll(uint32_t slot, float y, float radius) {
  modelfile::Coll c;
  c.type = slot;
  c.flags = 1;
  modelfile::Sphere s;
  s.part = 1;
  s.centre = {0.0f, y, 0.0f};
  s.radius = radius;
  c.spheres = {s};
  return c;
}

std::vector<uint8_t> model(const std::vector<std::string>& anims,
                           std::vector<modelfile::Coll> colls) {
  modelfile::Model m;
  m.parts = {modelfile::trianglePart("body", {modelfile::bone("hip")})};
  m.groups = {modelfile::groupOfFirstPart("all")};
  for (const std::string& name : anims) m.anims.push_back(modelfile::restAnim(name, 60));
  m.colls = std::move(colls);
  return modelfile::scrambled(modelfile::write(m));
}

bool save(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: rond-match-models FOLDER PLAYER...\n");
    return 2;
  }
  // Extents (slot 0) and body (slot 3) around the middle of the body, the attack sphere
  // (slot 4) reaching out in front.
  const std::vector<uint8_t> body =
      model({"default"}, {coll(0, 0.5f, 0.4f), coll(3, 0.5f, 0.4f), coll(4, 0.5f, 0.9f)});
  const std::vector<uint8_t> shot = model({"normal", "fadeout", "hit", "erase"}, {coll(4, 0.0f, 0.2f)});
  for (int i = 2; i < argc; ++i) {
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / argv[i];
    if (!save(folder / "body.dgo", body) || !save(folder / "shot.dgo", shot)) {
      std::fprintf(stderr, "rond-match-models: cannot write into %s\n", folder.string().c_str());
      return 1;
    }
  }
  return 0;
}
